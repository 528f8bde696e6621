// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small application for the framework's tests: a decorated frame with
// menu 100, accelerator table 100 and a status bar (mask 30), like korvani's
// main window but built only from framework classes. A test adds its own
// client window through Decorate, or ClientWindowTest does.

#include "framework/Application.h"
#include "framework/DecoratedFrame.h"
#include "framework/MenuDescr.h"
#include "framework/StatusBar.h"
#include "framework/testing/Harness.h"
#include "resources/ResourceIds.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

class TestFrameApp : public TApplication {
public:
    TestFrameApp() : TApplication("testapp", gModule) {}

    /// Runs on the frame before it becomes the main window.
    std::function<void(TDecoratedFrame&)> Decorate;
    TDecoratedFrame* Frame = nullptr;
    TStatusBar* StatusBar = nullptr;

protected:
    void CreateMainWindow() override {
        auto frame = std::make_unique<TDecoratedFrame>(nullptr, "testapp", nullptr, true, this);
        frame->Attr.X = 0;
        frame->Attr.Y = 0;
        frame->Attr.W = 800;
        frame->Attr.H = 600;
        frame->AssignMenu(resid::MainMenu);
        frame->Attr.AccelTable = resid::MainAccelerators;
        StatusBar = new TStatusBar(frame.get(), TStatusBar::Recessed, 30, TGadgetWindowFont(10, false, false));
        frame->Insert(*StatusBar, TDecoratedFrame::Bottom);
        if (Decorate) {
            Decorate(*frame);
        }
        Frame = frame.get();
        SetMainWindow(std::move(frame));
        Frame->SetMenuDescr(TMenuDescr(resid::MainMenu, this));
    }
};

/// A test whose TestFrameApp shows a new W (made with the frame as its
/// parent) as the frame's client, with the lock keys all off. The test
/// deletes the window, whether or not the frame ever took it.
template <class W>
class ClientWindowTest : public testing::Test {
protected:
    ClientWindowTest() {
        app.Decorate = [this](TDecoratedFrame& frame) {
            client = new W(&frame);
            frame.SetClientWindow(client);
        };
    }
    ~ClientWindowTest() override { delete client; }

    harness::FakeLockKeys keys;
    TestFrameApp app;
    W* client = nullptr;
};
