#include "python/errors.h"

#include <array>
#include <string_view>

namespace py = pybind11;

namespace pygrid {
namespace {

// The library's codes of the failures callers tell apart.
constexpr int kNoSuchGrid = -15;  // no grid under that number or identifier
constexpr int kDamaged = -36;     // a record whose words disagree
constexpr int kNotGridFile = -14;
constexpr int kUnreadable = -16;  // a grid's record could not be read back

const char* kind_of(const gridfile::Error& e) {
  switch (e.code) {
    case gridfile::kBadArgument:
      return "ArgumentError";
    case gridfile::kClosed:
      return "ClosedError";
    case kNoSuchGrid:
      return "NoSuchGridError";
    case kDamaged:
    case kNotGridFile:
    case kUnreadable:
      return "DamagedError";
    default:
      return "Error";
  }
}

}  // namespace

void raise_error(const gridfile::Error& e) {
  throw Failure(kind_of(e), e.code, e.text);
}

void register_errors(py::module_& m) {
  // The module of the classes, held for the translator for the life of the
  // process: never released, so no reference is dropped after the
  // interpreter is gone.
  static const py::handle errors = py::module_::import("text2grid._errors").release();
  m.attr("_errors") = errors;
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const Failure& f) {
      const py::object cls = errors.attr(f.kind.c_str());
      const py::object exc = cls(f.what(), f.code);
      PyErr_SetObject(cls.ptr(), exc.ptr());
    }
  });
}

}  // namespace pygrid
