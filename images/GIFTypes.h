#pragma once
// The GIF unit's exception and its raising helper.
#include "images/Graphic.h"

QUILLMAR_EXCEPTION(GIFException, EInvalidGraphic);

[[noreturn]] void GIFError(const AnsiString &Message);
