// The C++ runtime linked into each of the bundle's binaries keeps an emergency exception pool for
// the binary's life; it is given back when the host unloads the binary, so that rescans leak
// nothing. The product's version sits in the read-only data, for `strings` and packagers.

#include "ProductVersion.h"

namespace __gnu_cxx {
void __freeres() noexcept;
}

[[gnu::used]] static const char productVersion[] = "QuellmarV3 " QM_VERSION_TEXT;

__attribute__((destructor)) static void releaseRuntimePools() { __gnu_cxx::__freeres(); }
