#pragma once
// File-dialog filters in the "description|pattern;pattern|description|pattern" form the
// program writes them in, and the extension rule that lets a dialog's file name follow the
// chosen file type. Pure logic: the dialogs in FileDialogs.h turn these into Qt name filters.
#include "platform/Types.h"
#include <vector>

struct TFileFilterItem {
    AnsiString Description;
    std::vector<AnsiString> Patterns; // trimmed, empty entries dropped
};

// Splits a filter into its description/pattern pairs. A trailing description without a
// pattern gets no patterns.
std::vector<TFileFilterItem> ParseFileFilter(const AnsiString &Filter);

// The extension (with its dot) that the filter at FilterIndex (counted from 1; 0 and below
// act as 1) stands for: the first pattern's part from its first dot, when that is a short
// literal extension such as ".htm". Wildcards and extensions over four characters (dot
// included) give nothing; then DefaultExt (without or with its dot) is used when set.
AnsiString FilterExtension(const AnsiString &Filter, int FilterIndex, const AnsiString &DefaultExt);

// The typed name with its extension replaced by Extension. An empty Extension, an empty name,
// a name ending in '/' and a list of quoted names are left as they are.
AnsiString FollowExtension(const AnsiString &Name, const AnsiString &Extension);
