// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Seams: the few places where the program touches the world outside the
// process, or where tests make a service fail, go through small interfaces.
// Each has a real implementation used by default; tests put a double in its
// place for a scope with TScopedSeam<I>. The window program never overrides
// a seam; the command-line tool puts silence in place of the sound device.
//
// Adding a seam: declare the interface next to its users, declare
// `template <> I& TSeam<I>::Default();` after it, and define that in the
// source file of the real implementation.

/// Access to one seam: the override if a test set one, else the real implementation.
template <class Interface>
class TSeam {
public:
    /// The implementation in use.
    static Interface& Get() { return Current != nullptr ? *Current : Default(); }
    /// Puts `replacement` in place (nullptr: back to the real one); answers
    /// the previous override. The caller keeps ownership.
    static Interface* Override(Interface* replacement) {
        Interface* previous = Current;
        Current = replacement;
        return previous;
    }

private:
    static Interface& Default();
    static inline Interface* Current = nullptr;
};

/// Puts `replacement` in place of the seam I while it lives, then restores
/// what was in place before. Does not own `replacement`, which must outlive it.
template <class I>
class TScopedSeam {
public:
    explicit TScopedSeam(I& replacement) : Previous(TSeam<I>::Override(&replacement)) {}
    ~TScopedSeam() { TSeam<I>::Override(Previous); }
    TScopedSeam(const TScopedSeam&) = delete;
    TScopedSeam& operator=(const TScopedSeam&) = delete;

private:
    I* Previous;
};
