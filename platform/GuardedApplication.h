#pragma once
// The program's application object and its one error boundary. Whatever a handler throws (a menu
// action, a widget's event handler, a slot of a signal connection, a socket event) ends here: its
// message is shown through the installed prompter as an error box, and the program goes on.
//
// Exceptions must not unwind through Qt's own frames (Qt is built without exception support: its
// cleanup does not run and the state it kept is left behind), so the boundary is applied where our
// code is entered, before Qt's frames: connections wrap their slots with GuardedSlot, event
// handlers that can fail run their body through RunGuarded. notify() keeps the same boundary as a
// last resort for a handler that missed it, so such a failure is still shown and not fatal.
//
// Exception texts are UTF-8 (paths in messages are the file system's bytes, UTF-8 here); a text
// that is not valid UTF-8 is read as Windows-1252 so that no byte is lost.
// Constructing the application also installs the user's locale rules for LocaleCompareText.
#include "platform/Types.h"
#include <QApplication>

#include <functional>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

class TGuardedApplication : public QApplication {
public:
    TGuardedApplication(int &argc, char **argv);
    ~TGuardedApplication() override;

    bool notify(QObject *receiver, QEvent *event) override;

    // The text the error box shows for the exception being handled (call inside a catch block).
    static WideString CurrentExceptionText();
};

// The error box's text for an exception message (UTF-8, or Windows-1252 when not valid UTF-8).
WideString ExceptionMessageText(std::string_view Message);

// Shows the exception being handled as an error box (call inside a catch block). Never throws.
void ShowCurrentException() noexcept;

// Runs Handler; whatever it throws is shown as an error box and goes no further.
void RunGuarded(const std::function<void()> &Handler) noexcept;

// A slot for QObject::connect (or QTimer::singleShot, QMetaObject::invokeMethod) that runs Slot
// with the signal's arguments behind the error boundary:
//     connect(button, &QPushButton::clicked, this, GuardedSlot([this] { OkClick(); }));
// As a Qt slot may, Slot takes the signal's leading arguments only (none, the first, ...).
namespace GuardedSlotDetail {
template <class F, class... A>
void CallLeading(F &Slot, A &&...Args);

template <class F, class Tuple, size_t... I>
void CallWithout(F &Slot, Tuple &&Args, std::index_sequence<I...>)
{
    CallLeading(Slot, std::get<I>(std::move(Args))...);
}

template <class F, class... A>
void CallLeading(F &Slot, A &&...Args)
{
    if constexpr (std::is_invocable_v<F &, A...>) {
        Slot(std::forward<A>(Args)...);
    } else {
        static_assert(sizeof...(A) > 0, "the slot takes none of the signal's arguments");
        if constexpr (sizeof...(A) > 0)
            CallWithout(Slot, std::forward_as_tuple(std::forward<A>(Args)...),
                        std::make_index_sequence<sizeof...(A) - 1>{});
    }
}
} // namespace GuardedSlotDetail

template <class F>
auto GuardedSlot(F Slot)
{
    return [Slot = std::move(Slot)](auto &&...Args) mutable {
        RunGuarded([&] { GuardedSlotDetail::CallLeading(Slot, std::forward<decltype(Args)>(Args)...); });
    };
}

// The user's locale comparison (case-insensitive collation of the system locale).
int QtLocaleCompareText(const WideString &S1, const WideString &S2);
