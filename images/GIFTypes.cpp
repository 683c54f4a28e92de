#include "images/GIFTypes.h"

void GIFError(const AnsiString &Message)
{
    throw GIFException(Message);
}
