// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Waiting with the windows painted: the hook for work that must run to its
// end before the program goes on, such as the sound of a file being opened
// (platform::SndPlaySound calls it over and over while the sound plays).

/// Processes the events due now that keep the program's windows painted and
/// returns at once; call it over and over while waiting.
///
/// Processed: painting and update requests, exposure (a window uncovered,
/// the hole a closed dialog left), resizing, moving and layout, activation
/// and focus, and Qt's own queued work (deferred deletes concern only
/// widgets of windows already destroyed).
///
/// Held back, because the caller is in the middle of work that nothing may
/// re-enter (a document half loaded), and input or a close could start a
/// command or destroy the frame, the document or its views:
///   - user input (keys and accelerators, mouse, wheel, menus and their
///     mnemonics, drag and drop) is dropped: the program takes no input
///     while it waits, and nothing typed or clicked meanwhile is handled
///     later;
///   - a request to close a window (the window manager's close button,
///     Alt+F4) or to quit is set aside and delivered once the handler that
///     waited has returned, the rest of its work included (for a file being
///     opened: the whole open, with its boxes); if a modal window stands in
///     front of its window by then, the close is dropped, as the window
///     manager's close of a window behind a modal one is;
///   - timers do not fire (each fires again at its next interval), and the
///     framework's own posted work waits too: idle processing runs again at
///     the next empty queue, exception reports of painting and the menu
///     hint's reset are set aside like a close.
///
/// A wait outside any handler (no event being handled) hands what it set
/// aside to the event loop as each call ends.
void PaintWhileWaiting();
