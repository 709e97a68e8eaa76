// GUIDs from libuuid.
#include "platform/guid.h"

#include <uuid/uuid.h>

namespace platform {

// uuid_generate_random cannot fail (libuuid falls back to its own generator), so the processor-id
// fallback of a failing GUID source is never needed here.
std::string NewGuidText() {
  uuid_t id;
  uuid_generate_random(id);
  char text[37];
  uuid_unparse_upper(id, text);
  return std::string("{") + text + "}";
}

}  // namespace platform
