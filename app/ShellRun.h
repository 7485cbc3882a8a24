// The runs of the shell integration: "-Reg" and "-Unreg" without any display, "-Config" with the
// "Shell-Menu Configuration" dialog alone.
#pragma once

#include <cstdio>
#include <string>

namespace quillon {

class RegistryStore;
class SettingsStore;

// Registers (install) or removes the integration; each thing that could not be done is one line
// on `err`. Returns 0, or 2 when something could not be done.
int RunShellRegistration(bool install, RegistryStore& registry, FILE* err);

// Logs the argument line as a window start does and shows the dialog; the exit status (2 when
// there is no display to show it on).
int RunShellConfig(int& argc, char** argv, const std::string& cmdArgs, SettingsStore& settings,
                   FILE* err);

}  // namespace quillon
