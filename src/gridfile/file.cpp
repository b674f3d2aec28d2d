// GridFile: one grid file opened through gd_cref or gd_open, written with
// gd_wpgd, read with gd_gidn, gd_gpck and gd_rgrd, closed with gd_clos. The
// same inputs reach the routines as text2grid gives them, so the bytes on
// disk are the same.
#include "gridfile/gridfile.h"

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "dm/dm.h"
#include "grid/gd.h"
#include "grid/gd_codes.h"
#include "grid/packed_write.h"
#include "gridfile/internal.h"
#include "platform/platform.h"
#include "strings/field.h"
#include "strings/st.h"
#include "time/tg.h"

namespace gridfile {
namespace {

using detail::argument_error;
using detail::library_error;

constexpr int kIdentifierWords = 10;
constexpr std::array<int, kIdentifierWords> kAllColumnKeys = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
using grid::kGridHeader;
using grid::kGridHeaderWords;
constexpr int kMaxGrids = grid::kMaxGridsPerFile;
constexpr auto kHeaderBufWords = static_cast<std::size_t>(grid::kHeaderBufWords);

using TimeField = std::array<char, detail::kTimeChars>;
using ParamField = std::array<char, detail::kParamChars>;

std::string trimmed(std::span<const char> field) {
  return std::string(strings::trim_right(strings::as_view(field)));
}

// The identifier's fields as the grid routines take them; an Error for a
// value they would cut or misread.
struct IdFields {
  TimeField t1{}, t2{};
  std::array<std::string_view, 2> timpair;
  std::array<int, 2> levpair{};
  int vcoord = 0;
  ParamField param{};
};

// The word the file holds for a level 2 that is not set: the one place the
// identifier's nullopt meets it, both ways.
constexpr int kNoLevel2Word = -1;
std::optional<int> level2_of_word(int word) {
  if (word == kNoLevel2Word) return std::nullopt;
  return word;
}

Status fill_time(std::string_view path, std::string_view which, const std::string& text,
                 TimeField& field) {
  if (text.size() > detail::kTimeChars) {
    return argument_error(path, std::string(which) + " '" + text + "' is longer than " +
                                    std::to_string(detail::kTimeChars) + " characters");
  }
  strings::copy_field(text, field);
  if (strings::trim_right(text).empty()) return {};
  std::array<int, 3> intdtf{};
  int iret = 0;
  tg_ctoi(strings::as_view(field), intdtf, iret);
  if (iret != 0) {
    return argument_error(path, std::string(which) + " '" + text +
                                    "' is not a grid time (yymmdd/hhmm, optionally F, A, G, "
                                    "I or V and the forecast hours)");
  }
  return {};
}

Status fill_id(std::string_view path, const GridId& id, IdFields& f) {
  if (Status s = fill_time(path, "time 1", id.time1, f.t1); !s) return s;
  if (Status s = fill_time(path, "time 2", id.time2, f.t2); !s) return s;
  if (id.param.size() > detail::kParamChars) {
    return argument_error(path, "parameter name '" + id.param + "' is longer than " +
                                    std::to_string(detail::kParamChars) + " characters");
  }
  f.timpair = {strings::as_view(f.t1), strings::as_view(f.t2)};
  if (id.level2 == kNoLevel2Word) {
    return argument_error(
        path, "level 2 of " + std::to_string(kNoLevel2Word) + ", the file's word for no level 2");
  }
  f.levpair = {id.level1, id.level2.value_or(kNoLevel2Word)};
  f.vcoord = vcoord_code(id.vcoord);
  strings::copy_field(id.param, f.param);
  return {};
}

PackingType stored_type(int ipktyp) {
  switch (ipktyp) {
    case 1:
      return PackingType::kGrib;
    case 3:
      return PackingType::kDiff;
    default:
      return PackingType::kNone;
  }
}

}  // namespace

namespace {

// kInUse when `path` is to be opened for update and is open for update
// already; kTooManyOpen when three grid files are open.
Status may_open(const std::string& path, Mode mode) {
  const std::vector<const GridFile::State*>& files = GridFile::State::open_files();
  const std::optional<platform::FileIdentity> identity = platform::file_identity(path);
  for (const GridFile::State* other : files) {
    if (identity && other->identity == identity && mode == Mode::kUpdate &&
        other->mode == Mode::kUpdate) {
      return detail::state_error(path, kInUse, Condition::kInUse,
                                 "the file is open for update already in this program");
    }
  }
  if (files.size() >= grid::kMaxGridFiles) {
    return detail::state_error(path, kTooManyOpen, Condition::kTooManyOpen,
                               "three grid files are open already: close one first");
  }
  return {};
}

}  // namespace

GridFile::GridFile(std::unique_ptr<State> state) : state_(std::move(state)) {}
GridFile::GridFile(GridFile&& other) noexcept = default;
GridFile& GridFile::operator=(GridFile&& other) noexcept {
  if (this != &other) {
    (void)close();
    state_ = std::move(other.state_);
  }
  return *this;
}
GridFile::~GridFile() {
  (void)close();
}

Result<GridFile> GridFile::create(const std::string& path, const Navigation& nav, int max_grids) {
  return create_file(path, nav, max_grids, true);
}

Result<GridFile> GridFile::create_unpublished(const std::string& path, const Navigation& nav,
                                              int max_grids) {
  return create_file(path, nav, max_grids, false);
}

Status GridFile::publish() {
  if (!state_ || state_->gfnum == 0)
    return detail::state_error("", kClosed, Condition::kClosed, "grid file is closed");
  if (!state_->unpublished) return {};
  detail::MessageCapture capture;
  const int iret = dm::publish_file(state_->gfnum, state_->path);
  if (iret != 0) return library_error("DM", iret, state_->path, capture.lines());
  state_->unpublished = false;
  return {};
}

Result<GridFile> GridFile::create_file(const std::string& path, const Navigation& nav,
                                       int max_grids, bool publish_now) {
  Result<std::string> name = detail::library_name(path);
  if (!name) return name.error();
  if (nav.projection.size() > detail::kProjChars) {
    return argument_error(path, "projection name '" + nav.projection + "' is longer than " +
                                    std::to_string(detail::kProjChars) + " characters");
  }
  if (max_grids < 1 || max_grids > kMaxGrids) {
    return argument_error(path, "at most " + std::to_string(kMaxGrids) + " grids, at least 1 (" +
                                    std::to_string(max_grids) + " asked)");
  }
  if (Status s = may_open(path, Mode::kUpdate); !s) return s.error();
  const std::array<float, detail::kNavWords> navblock = nav.to_block();
  int gfnum = 0, iret = 0;
  detail::MessageCapture capture;
  const bool existed = platform::file_exists(path);
  grid::set_publish_on_create(publish_now);
  gd_cref(*name, detail::kNavWords, navblock, detail::kAnlWords, grid::kEmptyAnalysis,
          kGridHeaderWords, max_grids, gfnum, iret);
  grid::set_publish_on_create(true);
  if (iret != 0) {
    Error e = library_error("GD", iret, path, capture.lines());
    if (iret == grid::kGdCreateFailed && existed) e.condition = Condition::kExists;
    return e;
  }
  auto state = std::make_unique<State>();
  state->path = path;
  state->nav = Navigation::from_block(navblock);
  state->gfnum = gfnum;
  state->unpublished = !publish_now;
  state->identity = platform::file_identity(path);
  state->opened();
  return GridFile(std::move(state));
}

Result<GridFile> GridFile::create(const std::string& path, const Navigation& nav,
                                  const CreateOptions& options) {
  if (options.durable) platform::set_durable(true);
  if (options.replace_existing && platform::file_exists(path)) {
    if (Status s = may_open(path, Mode::kUpdate); !s) return s.error();  // not one in use
    if (const int status = platform::remove_file(path); status != platform::kOk) {
      Error e = detail::state_error(
          path, status, Condition::kOther,
          "the file to be replaced cannot be removed: " + platform::status_text(status));
      e.source = Source::kFileSystem;
      e.os_error = status;
      return e;
    }
  }
  return create(path, nav, options.max_grids);
}

Result<GridFile> GridFile::open(const std::string& path, Mode mode) {
  Result<std::string> name = detail::library_name(path);
  if (!name) return name.error();
  if (Status s = may_open(path, mode); !s) return s.error();
  int gfnum = 0, iret = 0;
  detail::MessageCapture capture;
  gd_open(*name, mode == Mode::kUpdate, gfnum, iret);
  if (iret == grid::kGdCreateFailed) {
    // gd_open's -1: the DM file did not open; its DM message says why.
    return detail::open_error(path, capture.lines());
  }
  if (iret != 0) return library_error("GD", iret, path, capture.lines());
  std::array<float, detail::kNavWords> navblock{};
  int nnav = 0;
  gd_gnav(gfnum, navblock, nnav, iret);
  auto state = std::make_unique<State>();
  state->path = path;
  state->nav = Navigation::from_block(navblock);
  state->mode = mode;
  state->gfnum = gfnum;
  state->identity = platform::file_identity(path);
  state->opened();
  return GridFile(std::move(state));
}

const std::string& GridFile::path() const {
  static const std::string none;
  return state_ ? state_->path : none;
}

const Navigation& GridFile::navigation() const {
  static const Navigation none;
  return state_ ? state_->nav : none;
}

std::string GridFile::damage() const {
  if (!state_ || state_->gfnum == 0) return {};
  return dm::open_warning(state_->gfnum);
}

int GridFile::count() const {
  if (!state_ || state_->gfnum == 0) return 0;
  int ngrid = 0, iret = 0;
  gd_ngrd(state_->gfnum, ngrid, iret);
  return ngrid;
}

Result<std::vector<GridInfo>> GridFile::grids() const {
  std::vector<GridInfo> list;
  const int n = count();
  for (int igrid = 1; igrid <= n; ++igrid) {
    Result<GridInfo> one = info(igrid);
    if (!one) {
      if (one.error().code == grid::kGdNoGrid) continue;  // an unused grid number
      return one.error();
    }
    list.push_back(std::move(one).value());
  }
  return list;
}

Result<GridInfo> GridFile::info(int number) const {
  if (!state_ || state_->gfnum == 0)
    return detail::state_error("", kClosed, Condition::kClosed, "grid file is closed");
  const std::string& path = state_->path;
  const int gfnum = state_->gfnum;
  detail::MessageCapture capture;
  TimeField t1{}, t2{};
  std::array<int, 2> levpair{};
  ParamField pname{};
  GridInfo gi;
  int vcoord = 0, iret = 0;
  gd_gidn(gfnum, number, t1, t2, levpair, vcoord, pname, iret);
  if (iret == grid::kGdNoGrid) return library_error("GD", iret, path);
  if (iret != 0) {
    return detail::state_error(
        path, iret, Condition::kDamaged,
        "grid " + std::to_string(number) + " has time words without a text form");
  }
  gi.number = number;
  gi.id.time1 = trimmed(t1);
  gi.id.time2 = trimmed(t2);
  gi.id.level1 = levpair[0];
  gi.id.level2 = level2_of_word(levpair[1]);
  gi.id.vcoord = static_cast<Vcoord>(vcoord);
  gi.id.param = trimmed(pname);
  int ipktyp = 0, nbits = 0;
  gd_gpck(gfnum, number, ipktyp, nbits, iret);
  if (iret != 0) return library_error("GD", iret, path, capture.lines());
  detail::RecordHead head;
  iret = detail::read_record_head(gfnum, number, head);
  if (iret != 0) return library_error("DM", iret, path, capture.lines());
  gi.nx = head.nx;
  gi.ny = head.ny;
  gi.packing.type = stored_type(head.ipktyp);
  gi.packing.bits = head.nbits;
  gi.reference = head.ref;
  gi.step = head.scale;
  gi.difmin = head.difmin;
  gi.words = head.words;
  return gi;
}

namespace {

// The values of grid `number`, whose info is `gi`, into `values` (room for
// exactly its nx * ny values).
Result<GridInfo> read_values(int gfnum, const std::string& path, int number, GridInfo gi,
                             std::span<float> values) {
  std::array<int, kHeaderBufWords> grdhdr{};
  int kx = 0, ky = 0, iret = 0;
  detail::MessageCapture capture;
  gd_rgrd(gfnum, number, values, kx, ky, grdhdr, iret);
  if (iret != 0) return library_error("GD", iret, path, capture.lines());
  if (kx != gi.nx || ky != gi.ny) return library_error("DM", dm::kDmDamaged, path);
  return gi;
}

}  // namespace

Result<Grid> GridFile::read(int number) const {
  Result<GridInfo> gi = info(number);
  if (!gi) return gi.error();
  Grid g;
  g.values.resize(static_cast<std::size_t>(gi->nx) * static_cast<std::size_t>(gi->ny));
  Result<GridInfo> read = read_values(state_->gfnum, state_->path, number, *gi, g.values);
  if (!read) return read.error();
  g.info = std::move(read).value();
  return g;
}

Result<GridInfo> GridFile::read_into(int number, std::span<float> values) const {
  Result<GridInfo> gi = info(number);
  if (!gi) return gi.error();
  if (static_cast<std::size_t>(gi->nx) * static_cast<std::size_t>(gi->ny) != values.size()) {
    return argument_error(state_->path, "room for " + std::to_string(values.size()) +
                                            " values for grid " + std::to_string(number) + " of " +
                                            std::to_string(gi->nx) + " x " +
                                            std::to_string(gi->ny));
  }
  return read_values(state_->gfnum, state_->path, number, std::move(gi).value(), values);
}

Result<Grid> GridFile::read(const GridId& id) const {
  if (!state_ || state_->gfnum == 0)
    return detail::state_error("", kClosed, Condition::kClosed, "grid file is closed");
  IdFields f;
  if (Status s = fill_id(state_->path, id, f); !s) return s.error();
  // The identifier's column, found as gd_rdat finds it.
  ParamField prm{};
  int ier = 0;
  st_lcuc(strings::as_view(f.param), prm, ier);
  std::array<int, kIdentifierWords> ihdarr{};
  gd_itoh(f.timpair, f.levpair, f.vcoord, strings::as_view(prm), ihdarr, ier);
  int icol = 0;
  dm_srch(state_->gfnum, "COL", kIdentifierWords, kAllColumnKeys, ihdarr, icol, ier);
  if (ier != 0) return library_error("GD", grid::kGdNoGrid, state_->path);
  return read(icol);
}

Status GridFile::write(std::span<const float> values, const GridId& id, Packing packing,
                       bool replace) {
  const Navigation& nav = navigation();
  return write(values, nav.nx, nav.ny, id, packing, replace);
}

Status GridFile::write(std::span<const float> values, int nx, int ny, const GridId& id,
                       Packing packing, bool replace) {
  if (!state_ || state_->gfnum == 0)
    return detail::state_error("", kClosed, Condition::kClosed, "grid file is closed");
  const std::string& path = state_->path;
  // The file's navigation fixes the shape of every grid in it.
  if (nx != state_->nav.nx || ny != state_->nav.ny) {
    return argument_error(path, "a grid of " + std::to_string(nx) + " x " + std::to_string(ny) +
                                    " for a file whose navigation is " +
                                    std::to_string(state_->nav.nx) + " x " +
                                    std::to_string(state_->nav.ny));
  }
  if (nx >= 1 && ny >= 1 &&
      std::int64_t{nx} * std::int64_t{ny} != static_cast<std::int64_t>(values.size())) {
    return argument_error(path, std::to_string(values.size()) + " values for a grid of " +
                                    std::to_string(nx) + " x " + std::to_string(ny));
  }
  if (!packing.valid()) {
    return argument_error(
        path, "packing " + packing.text() + " (bits 2-31 for grib and diff, -38-38 for dec)");
  }
  IdFields f;
  if (Status s = fill_id(path, id, f); !s) return s;
  detail::MessageCapture capture;
  int iret = 0, refusal = 0;
  grid::write_packed_grid(state_->gfnum, values, nx, ny, kGridHeader, f.timpair, f.levpair,
                          f.vcoord, strings::as_view(f.param), replace,
                          static_cast<int>(packing.type),
                          packing.type == PackingType::kNone ? 0 : packing.bits,
                          grid::OnPackingRefusal::kRefuse, refusal, iret);
  // A grid its packing refuses is not in the file: the packer's code.
  if (refusal != 0) return library_error("DM", refusal, path);
  if (iret != 0) return library_error("GD", iret, path, capture.lines());
  return {};
}

Status GridFile::close() {
  if (!state_ || state_->gfnum == 0) return {};
  const int gfnum = state_->gfnum;
  state_->gfnum = 0;
  state_->closed();
  detail::MessageCapture capture;
  // gd_clos flushes too, but does not say whether the flush worked.
  int iflush = 0, iret = 0;
  dm_fwrt(gfnum, iflush);
  gd_clos(gfnum, iret);
  if (iflush != 0) return library_error("DM", iflush, state_->path, capture.lines());
  if (iret != 0) return library_error("GD", iret, state_->path, capture.lines());
  return {};
}

Status check(const std::string& path) {
  Result<std::string> name = detail::library_name(path);
  if (!name) return name.error();
  std::array<char, 512> msgtxt{};
  int iret = 0;
  detail::MessageCapture capture;
  dm_chck(*name, msgtxt, iret);
  if (iret != 0) {
    Error e = library_error("DM", iret, path, capture.lines());
    const std::string detail_text = trimmed(msgtxt);
    if (!detail_text.empty()) {
      e.text += ": " + detail_text;
      e.reason += ": " + detail_text;
    }
    return e;
  }
  // The structure is sound: now everything the reader checks, so that a file
  // that passes opens and reads whole (its keys as a grid file's, every
  // identifier and every grid's values).
  Result<GridFile> file = GridFile::open(path);
  if (!file) return file.error();
  if (const std::string damage = file->damage(); !damage.empty()) {
    return library_error("DM", dm::kDmDamaged, path + ": " + damage);
  }
  for (int igrid = 1; igrid <= file->count(); ++igrid) {
    Result<Grid> g = file->read(igrid);
    if (!g && g.error().code != grid::kGdNoGrid) {
      Error e = g.error();
      e.text = "grid " + std::to_string(igrid) + ": " + e.text;
      e.reason = "grid " + std::to_string(igrid) + ": " + e.reason_or_text();
      return e;
    }
  }
  return {};
}

}  // namespace gridfile
