#include "platform/resources.h"

// The table comes from the assembler file that the build generates for each executable that
// embeds resources (cvl_embed_resources in cmake/CvlResources.cmake). It is weak so that programs
// without resources still link; FindResource then finds nothing.
extern "C" {
struct CvlEmbeddedResource {
  const char* type;
  long id;
  const unsigned char* begin;
  const unsigned char* end;
};
// Ends with an entry whose type is null.
extern const CvlEmbeddedResource cvl_resource_table[] __attribute__((weak));
}

namespace platform {

std::optional<std::span<const unsigned char>> FindResource(std::string_view type, int id) {
  if (cvl_resource_table == nullptr) return std::nullopt;
  for (const CvlEmbeddedResource* entry = cvl_resource_table; entry->type != nullptr; ++entry) {
    if (entry->id == id && type == entry->type) {
      return std::span<const unsigned char>(entry->begin, entry->end);
    }
  }
  return std::nullopt;
}

}  // namespace platform
