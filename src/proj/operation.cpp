// The PROJ calls of the layer: making an operation from a definition and
// running it forward or inverse, with PROJ's failures turned into nullopt.
#include "proj/operation.h"

#include <proj.h>

#include <charconv>
#include <cmath>

namespace mapproj::detail {
namespace {

// Beyond this PROJ's answers are its way of saying "no value".
constexpr double kHuge = 1e20;

struct ContextDeleter {
  void operator()(PJ_CONTEXT* c) const { proj_context_destroy(c); }
};
struct PjDeleter {
  void operator()(PJ* p) const { proj_destroy(p); }
};
using Context = std::unique_ptr<PJ_CONTEXT, ContextDeleter>;

// PROJ's own data folder as the build found it (a build without that
// knowledge, such as the fuzz build, takes Debian's).
#ifndef T2G_PROJ_DATA_DIR
#define T2G_PROJ_DATA_DIR "/usr/share/proj"
#endif

// A quiet PROJ context that has PROJ's own database. A PROJ_DATA or PROJ_LIB
// pointing elsewhere (set by other software in the same process: some Python
// packages point it into their own, absent, copies) would leave PROJ without
// proj.db; the folder PROJ was installed with is then searched instead.
Context new_context() {
  Context ctx(proj_context_create());
  if (!ctx) return ctx;
  proj_log_level(ctx.get(), PJ_LOG_NONE);
  if (proj_context_get_database_path(ctx.get()) == nullptr) {
    const char* installed = T2G_PROJ_DATA_DIR;
    proj_context_set_search_paths(ctx.get(), 1, &installed);
  }
  return ctx;
}

}  // namespace

struct Operation::Handles {
  Context ctx;
  std::unique_ptr<PJ, PjDeleter> op;
};

Operation::Operation(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}
Operation::Operation(Operation&&) noexcept = default;
Operation& Operation::operator=(Operation&&) noexcept = default;
Operation::~Operation() = default;

gridfile::Result<Operation> Operation::create(const std::string& definition) {
  auto h = std::make_unique<Handles>();
  h->ctx = new_context();
  if (!h->ctx) return base::Error(base::Source::kProj, kBadGeometry, "PROJ could not start");
  h->op.reset(proj_create(h->ctx.get(), definition.c_str()));
  if (!h->op) {
    const int err = proj_context_errno(h->ctx.get());
    return base::Error(base::Source::kProj, kBadGeometry,
                       "PROJ refuses the projection " + definition + ": " +
                           proj_context_errno_string(h->ctx.get(), err));
  }
  return Operation(std::move(h));
}

std::optional<std::pair<double, double>> Operation::forward(double lat, double lon) const {
  const PJ_COORD c =
      proj_trans(handles_->op.get(), PJ_FWD, proj_coord(proj_torad(lon), proj_torad(lat), 0, 0));
  if (!std::isfinite(c.xy.x) || !std::isfinite(c.xy.y) || std::fabs(c.xy.x) > kHuge ||
      std::fabs(c.xy.y) > kHuge) {
    proj_errno_reset(handles_->op.get());
    return std::nullopt;
  }
  return std::pair{c.xy.x, c.xy.y};
}

std::optional<LatLon> Operation::inverse(double x, double y) const {
  const PJ_COORD c = proj_trans(handles_->op.get(), PJ_INV, proj_coord(x, y, 0, 0));
  if (!std::isfinite(c.lp.lam) || !std::isfinite(c.lp.phi) || std::fabs(c.lp.lam) > kHuge) {
    proj_errno_reset(handles_->op.get());
    return std::nullopt;
  }
  return LatLon{proj_todeg(c.lp.phi), proj_todeg(c.lp.lam)};
}

std::string Operation::wkt() const {
  const char* text = proj_as_wkt(handles_->ctx.get(), handles_->op.get(), PJ_WKT1_GDAL, nullptr);
  return text != nullptr ? std::string(text) : std::string();
}

double Operation::distance(const LatLon& a, const LatLon& b) const {
  const PJ_COORD pa = proj_coord(proj_torad(a.lon), proj_torad(a.lat), 0, 0);
  const PJ_COORD pb = proj_coord(proj_torad(b.lon), proj_torad(b.lat), 0, 0);
  return proj_lp_dist(handles_->op.get(), pa, pb);
}

std::string number(double v) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

}  // namespace mapproj::detail
