#pragma once
// One run of the whole program on the in-memory window layer: a test
// scripts what the user does on `layer`, then calls Launch() and inspects
// what the program left behind.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "frontend/app.h"
#include "frontend/controls.h"
#include "frontend/run_control.h"
#include "frontend/workbench.h"
#include "platform/headless/headless_layer.h"

// A user who waits while a Run has the thread: what the test scripts after
// a Run happens after it, however long it runs. Notes whether the busy
// cursor was shown whenever a Run looked for events.
class PatientLayer : public HeadlessLayer {
public:
    int64_t takes = 0;
    bool idleDuringARun = false;
    Event TakeEvent() override {
        ++takes;
        if (!busy) idleDuringARun = true;
        PassEventTake();
        return {};
    }
};

struct Session {
    std::unique_ptr<Workbench> workbench = std::make_unique<Workbench>();
    MachineState& state = workbench->state;
    HeadlessLayer layer;

    int Launch() { return RunQuodlet(*workbench, layer); }

    // Run, then a moment in which the user does nothing: a Run takes the
    // next scripted step as pending input at its first instruction, so this
    // keeps the steps that follow for after the run.
    void ChooseRun() {
        layer.ChooseMenu(MenuItem::kRun);
        layer.Call([] {});
    }

    [[nodiscard]] std::string Text(int32_t control) const {
        return layer.controls.at(control).text;
    }
    [[nodiscard]] const HeadlessControl& Listing() const {
        return layer.controls.at(Control::kCodeListing);
    }
    [[nodiscard]] std::string ListingLine(size_t index) const { return Listing().lines.at(index); }
    // The selected listing line; empty when none is selected.
    [[nodiscard]] std::string SelectedLine() const {
        const HeadlessControl& listing = Listing();
        if (listing.selected < 0) return std::string();
        return listing.lines.at(static_cast<size_t>(listing.selected));
    }
};

class FrontendTest : public ::testing::Test, public Session {};
