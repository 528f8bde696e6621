// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The runtime's exception types that framework and program raise: xmsg
// carries a text for the user, xalloc reports an allocation failure. Who
// catches them: the message loop reports an xmsg raised while a message is
// handled; one that escapes the run reaches AppMain.

#include <cstddef>
#include <exception>
#include <string>

/// A runtime exception with a message text (which may be empty).
class xmsg : public std::exception {
public:
    /// An exception carrying `text`.
    explicit xmsg(std::string text);

    /// The message text; empty when the exception was raised without one.
    const std::string& why() const noexcept { return Text; }

    /// The message text, for code that catches std::exception.
    const char* what() const noexcept override { return Text.c_str(); }

private:
    std::string Text;
};

/// An allocation failure, a kind of xmsg that also tells the requested size.
class xalloc : public xmsg {
public:
    /// An allocation failure of `size` bytes, reported with `text`.
    xalloc(std::string text, std::size_t size);

    /// The number of bytes that could not be allocated.
    std::size_t requested() const noexcept { return Size; }

private:
    std::size_t Size;
};
