// The image element: an image file drawn into a rectangle of the drawing
// surface.
//
//   beginImage
//   path      the image file, the whole line unchanged
//   left      the rectangle in the surface's units (hundredths of an inch on
//   top       a printer), y downward; drawn 115 units further right and 355
//   width     units higher than the lines give
//   height
#ifndef QUARVEL_ELEMENTS_IMAGE_ELEMENT_H_
#define QUARVEL_ELEMENTS_IMAGE_ELEMENT_H_

#include "host.h"
#include "printer/printer.h"
#include "script/script_stream.h"

namespace quarvel {

// Reads the path line after "beginImage", loads the image it names, draws it
// with DrawImage and releases it again before the next line is read.
// Consumes exactly five lines; an element cut short by the end of the script
// draws nothing.
void DrawImageElement(ScriptStream& script, Host& host, Printer& printer);

// Reads the four value lines of an image element (left, top, width, height;
// 0 for a line without a number) and draws `picture` into the rectangle
// (left + 115, top - 355, width, height).
void DrawImage(ScriptStream& script, Printer& printer, Picture& picture);

}  // namespace quarvel

#endif  // QUARVEL_ELEMENTS_IMAGE_ELEMENT_H_
