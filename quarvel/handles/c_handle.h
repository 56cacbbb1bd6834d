// The one way a handle of a C library is held: a std::unique_ptr whose
// deleter calls the library's own release function, so that each handle is
// released once, on every path, and is never copied.
//
//   using SurfaceHandle = CHandle<cairo_surface_t, cairo_surface_destroy>;
//   const SurfaceHandle surface(cairo_image_surface_create(...));
//
// A null handle is never released. This header includes no library: each
// library's handles are named beside the code that uses them, so that
// holding one brings no package into a target that does not use it.
#ifndef QUARVEL_HANDLES_C_HANDLE_H_
#define QUARVEL_HANDLES_C_HANDLE_H_

#include <memory>

namespace quarvel {

// Calls `Release` on the handle it is given.
template <auto Release>
struct ReleaseWith {
  template <typename T>
  void operator()(T* handle) const {
    Release(handle);
  }
};

// A handle of type T*, released with `Release`.
template <typename T, auto Release>
using CHandle = std::unique_ptr<T, ReleaseWith<Release>>;

}  // namespace quarvel

#endif  // QUARVEL_HANDLES_C_HANDLE_H_
