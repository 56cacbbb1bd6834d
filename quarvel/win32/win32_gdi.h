// Windows headers for the Win32 printer, in the one order that works, and
// RAII holders for GDI objects and their selection into a device context.
#ifndef QUARVEL_WIN32_WIN32_GDI_H_
#define QUARVEL_WIN32_WIN32_GDI_H_

#include "win32/win32_windows.h"
#include <commdlg.h>
#include <objidl.h>
#include <gdiplus.h>

namespace quarvel {

// GDI+ for the lifetime of the object: started when it is made, shut down
// when it is destroyed. Its status is not examined: when GDI+ does not
// start, its images fail to load and draw nothing.
class GdiplusSession {
 public:
  GdiplusSession() {
    const Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token_, &input, nullptr);
  }
  ~GdiplusSession() {
    if (token_ != 0) Gdiplus::GdiplusShutdown(token_);
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

 private:
  ULONG_PTR token_ = 0;
};

// Owns a GDI object and deletes it when destroyed.
class GdiObject {
 public:
  explicit GdiObject(HGDIOBJ object) : object_(object) {}
  ~GdiObject() {
    if (object_ != nullptr) DeleteObject(object_);
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  HGDIOBJ get() const { return object_; }

 private:
  HGDIOBJ object_;
};

// Selects an object into a device context and, when destroyed, selects the
// object it replaced back. Declare it after the GdiObject it selects, so that
// the object is deselected before it is deleted.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), replaced_(SelectObject(dc, object)) {}
  ~Selection() {
    if (replaced_ != nullptr) SelectObject(dc_, replaced_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ replaced_;
};

}  // namespace quarvel

#endif  // QUARVEL_WIN32_WIN32_GDI_H_
