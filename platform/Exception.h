#pragma once
// Base class of every component's exceptions; each component derives its own class and
// throws it with fixed message texts.
#include "platform/Types.h"
#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(AnsiString message) : FMessage(std::move(message)) {}
    const AnsiString &Message() const noexcept { return FMessage; }
    void SetMessage(AnsiString message) { FMessage = std::move(message); }
    const char *what() const noexcept override { return FMessage.c_str(); }

private:
    AnsiString FMessage;
};

#define QUILLMAR_EXCEPTION(Name, Base)                                                                                 \
    class Name : public Base {                                                                                         \
    public:                                                                                                            \
        using Base::Base;                                                                                              \
    }

QUILLMAR_EXCEPTION(EStreamError, Exception);
QUILLMAR_EXCEPTION(EFOpenError, EStreamError);
QUILLMAR_EXCEPTION(EFCreateError, EStreamError);
QUILLMAR_EXCEPTION(EReadError, EStreamError);
QUILLMAR_EXCEPTION(EWriteError, EStreamError);
QUILLMAR_EXCEPTION(EStringListError, Exception);
QUILLMAR_EXCEPTION(EConvertError, Exception);
