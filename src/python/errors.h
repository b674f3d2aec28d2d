// Library failures as Python exceptions of text2grid's own classes
// (text2grid/_errors.py), chosen by what went wrong, never by message text.
#pragma once

#include <pybind11/pybind11.h>

#include <stdexcept>
#include <string>

#include "gridfile/gridfile.h"

namespace pygrid {

// Thrown on the C++ side; register_errors turns each into its Python class.
struct Failure : std::runtime_error {
  Failure(std::string kind_name, int error_code, const std::string& text)
      : std::runtime_error(text), kind(std::move(kind_name)), code(error_code) {}
  std::string kind;  // class name in text2grid._errors
  int code;
};
struct ArgumentError : Failure {
  explicit ArgumentError(const std::string& text)
      : Failure("ArgumentError", gridfile::kBadArgument, text) {}
};
struct ClosedFile : Failure {
  ClosedFile() : Failure("ClosedError", gridfile::kClosed, "the grid file is closed") {}
};
struct TableError : Failure {
  explicit TableError(const std::string& text) : Failure("Error", 0, text) {}
};

// Throws the Failure of the kind of `e`.
[[noreturn]] void raise_error(const gridfile::Error& e);

void register_errors(pybind11::module_& m);

}  // namespace pygrid
