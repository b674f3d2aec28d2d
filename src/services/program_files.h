// The shipped-file folders of this build, for the programs' start-up. The
// folder names come from the build (the t2g_program_files target); only
// program code and the libraries linking that target include this header.
#pragma once

#include "services/shipped_files.h"

namespace services {

inline constexpr ShippedFolder kMessageFolder{T2G_PROGRAM_TO_ERRDIR, T2G_INSTALL_ERRDIR,
                                              T2G_BUILD_ERRDIR};
inline constexpr ShippedFolder kTableFolder{T2G_PROGRAM_TO_TBLDIR, T2G_INSTALL_TBLDIR,
                                            T2G_BUILD_TBLDIR};

}  // namespace services
