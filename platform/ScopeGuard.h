#pragma once
// Runs a cleanup when the scope ends, whether it ends normally or by an exception; the one way
// this program undoes half-done work on error (never a hand-written catch-and-rethrow).
//
//     TScopeGuard restore([&] { FUpdating = false; });
//     ...                      // may throw
//     restore.Dismiss();       // keep the work: the cleanup does not run
//
// A cleanup that throws on a normal way out passes its exception on (EndUpdate may fire change
// events whose handlers throw); while another exception is already unwinding the scope, the
// cleanup's own exception is dropped so that the first one reaches its handler.
#include <exception>
#include <type_traits>
#include <utility>

template <typename F>
class TScopeGuard {
public:
    explicit TScopeGuard(F cleanup) noexcept(std::is_nothrow_move_constructible_v<F>) : FCleanup(std::move(cleanup)) {}
    TScopeGuard(TScopeGuard &&other) noexcept(std::is_nothrow_move_constructible_v<F>)
        : FCleanup(std::move(other.FCleanup)), FActive(std::exchange(other.FActive, false))
    {
    }
    TScopeGuard(const TScopeGuard &) = delete;
    TScopeGuard &operator=(const TScopeGuard &) = delete;
    TScopeGuard &operator=(TScopeGuard &&) = delete;
    ~TScopeGuard() noexcept(false)
    {
        if (!FActive)
            return;
        if (std::uncaught_exceptions() > FUnwinding) {
            try {
                FCleanup();
            } catch (...) {
                // The exception already on its way out is the one to report.
            }
            return;
        }
        FCleanup();
    }
    // The work succeeded: the cleanup will not run.
    void Dismiss() noexcept { FActive = false; }

private:
    F FCleanup;
    bool FActive = true;
    int FUnwinding = std::uncaught_exceptions();
};

template <typename F>
TScopeGuard(F) -> TScopeGuard<F>;
