#include "app/browser-emulation.h"

#include "platform/registry.h"

bool WriteBrowserEmulationValue() {
  using platform::RegistryKey;
  using platform::RegistryRoot;
  auto key = RegistryKey::Open(RegistryRoot::LocalMachine, kBrowserEmulationKey);
  if (!key) key = RegistryKey::Create(RegistryRoot::LocalMachine, kBrowserEmulationKey);
  return key && key->SetDword(kBrowserEmulationValueName, kBrowserEmulationMode);
}
