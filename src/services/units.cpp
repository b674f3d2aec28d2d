// The pool of logical units 11..20: handed out lowest free first.
#include "services/fl.h"
#include "services/unit_pool.h"

namespace services {

constinit UnitPool lunpool{};  // all free

void reset_units() {
  lunpool = {};
}

}  // namespace services

void fl_glun(int& lun, int& iret) {
  iret = kFlNoUnit;
  lun = -1;
  for (int k = 1; k <= services::kPoolUnits && lun == -1; ++k) {
    int& flag = services::lunpool.lunuse[static_cast<std::size_t>(k - 1)];
    if (flag == 0) {
      lun = k + services::kFirstPoolUnit - 1;
      flag = 1;
      iret = 0;
    }
  }
}

void fl_flun(int lun, int& iret) {
  iret = 0;
  constexpr int kLast = services::kFirstPoolUnit + services::kPoolUnits - 1;
  if (lun >= services::kFirstPoolUnit && lun <= kLast) {
    services::lunpool.lunuse[static_cast<std::size_t>(lun - services::kFirstPoolUnit)] = 0;
  }
}
