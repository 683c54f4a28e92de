#include "checker/HTMLJSFileChecker.h"

void THTMLJSFileChecker::CrossReference() {}
