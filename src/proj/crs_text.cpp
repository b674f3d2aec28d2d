#include "proj/crs_text.h"

#include <proj.h>

#include <memory>

#include "proj/projection.h"

namespace mapproj {
namespace {

struct ContextDeleter {
  void operator()(PJ_CONTEXT* c) const { proj_context_destroy(c); }
};
struct PjDeleter {
  void operator()(PJ* p) const { proj_destroy(p); }
};

gridfile::Error bad(std::string text) {
  return base::Error(base::Source::kProj, kBadGeometry, std::move(text));
}

}  // namespace

gridfile::Result<std::string> projected_definition(const std::string& crs_text) {
  const std::unique_ptr<PJ_CONTEXT, ContextDeleter> ctx(proj_context_create());
  if (!ctx) return bad("PROJ could not start");
  proj_log_level(ctx.get(), PJ_LOG_NONE);
  const std::unique_ptr<PJ, PjDeleter> crs(proj_create(ctx.get(), crs_text.c_str()));
  if (!crs) {
    return bad(std::string("PROJ cannot read the coordinate system: ") +
               proj_context_errno_string(ctx.get(), proj_context_errno(ctx.get())));
  }
  if (proj_get_type(crs.get()) != PJ_TYPE_PROJECTED_CRS) {
    return bad("the coordinate system is not a projected one");
  }
  const char* text = proj_as_proj_string(ctx.get(), crs.get(), PJ_PROJ_4, nullptr);
  if (text == nullptr) return bad("PROJ cannot write the coordinate system as a definition");
  std::string definition(text);
  // A CRS's definition ends with "+type=crs"; the projection alone is wanted.
  for (const std::string_view drop : {" +type=crs", " +nadgrids=@null", " +wktext"}) {
    for (std::size_t at = definition.find(drop); at != std::string::npos;
         at = definition.find(drop)) {
      definition.erase(at, drop.size());
    }
  }
  return definition;
}

}  // namespace mapproj
