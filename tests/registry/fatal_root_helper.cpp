// A child process for the fatal-error test: it calls WriteValueUnderRoot with
// the root number and subkey path given on its command line. With a root
// number outside 1 to 5 the call never returns: the process shows the fatal
// error and ends with exit code -1.
#include <cstdlib>

#include "registry/registry_access.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  RegistryAccess registry;
  const bool written =
      registry.WriteValueUnderRoot(std::atoi(argv[1]), argv[2], "v", Bytes{1, 2}, REG_BINARY);
  return written ? 0 : 1;
}
