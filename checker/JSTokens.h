#pragma once
// Token codes of the script lexer. Single characters are their own byte value (1 to 127 in practice:
// bytes from 128 up are reported by the lexer and never returned, because they would read like the
// codes below). The parser, the findings and the result codes of expressions all use these numbers.

enum JSTokenCode : int {
    tkEnd = 128,
    tkInteger = 129,
    tkDecimal = 130,
    tkString = 131,
    tkIdentifier = 132,

    tkBreak = 133,
    tkContinue,
    tkDelete,
    tkElse,
    tkFor,
    tkFunction,
    tkIf,
    tkIn,
    tkNew,
    tkOpen,
    tkReturn,
    tkThis,
    tkTypeof,
    tkVar,
    tkVoid,
    tkWhile,
    tkWith,
    tkCase,
    tkCatch,
    tkClass,
    tkConst,
    tkDebugger,
    tkDefault,
    tkDo,
    tkEnum,
    tkExport,
    tkExtends,
    tkFinally,
    tkImport,
    tkSuper,
    tkSwitch,
    tkThrow,
    tkTry,
    tkEval,
    tkNull,
    tkUndefined,
    tkTrue,
    tkFalse, // 170

    tkEqual = 171, // ==
    tkNotEqual, // !=
    tkLessEqual, // <=
    tkGreaterEqual, // >=
    tkAndAnd, // &&
    tkOrOr, // ||
    tkPlusPlus, // ++
    tkMinusMinus, // --
    tkMulAssign, // *=
    tkDivAssign, // /=
    tkModAssign, // %=
    tkAddAssign, // +=
    tkSubAssign, // -=
    tkAndAssign, // &=
    tkXorAssign, // ^=
    tkOrAssign, // |=
    tkShlAssign, // <<=
    tkShl, // <<
    tkShr, // >>
    tkUShr, // >>>
    tkShrAssign, // >>=
    tkUShrAssign, // >>>=
    tkStrictEqual, // ===
    tkStrictNotEqual, // !== (194)

    tkAlert = 195,
    tkWindow = 196,
    tkDocument = 197,
    tkDOM1 = 198,
    tkDOM2 = 199,
    tkDOM3 = 200,
    tkDOM4 = 201,
    tkStatus = 202,
    tkWrite = 203,
    tkWriteln = 204,
    tkInstanceof = 207,

    tkServerOpen = 250, // <% or <%=
    tkServerClose = 251, // %>
    tkMethod = 252, // JSON option
    tkInherits = 253, // JSON option

    tkRegExp = 329,

    tkConfirm = 332,
    tkEscape,
    tkUnescape,
    tkPrompt,
    tkParseInt,
    tkParseFloat,
    tkIsNaN,
    tkIsFinite,
    tkGetterSetter = 340, // __defineGetter__, __defineSetter__
    tkSetTimeout = 341,
};
