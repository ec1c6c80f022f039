// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>
#include <optional>
#include <string>
#include <utility>

#include "panel/desktop.h"

// Counts beeps, records messages as "icon text" (icon 0 none, 1 information, 2 error) and each
// overwrite question as "?path" (answered `replace`), and hands out one scripted file choice; no
// dialog is ever shown.
struct RecordingDesktop final : qzb::Desktop {
    void showMessage(Icon icon, const QString& text) override { messages << QChar('0' + int(icon)) + text; }
    void beep() override { ++beeps; }
    std::optional<std::string> pickFile(const qzb::FileDialog&, Kind) override {
        return std::exchange(pick, {});
    }
    bool confirmOverwrite(const qzb::FileDialog&, const std::string& path) override {
        messages << "?" + QString::fromStdString(path);
        return replace;
    }
    QStringList messages;
    bool replace = true;
    int beeps = 0;
    std::optional<std::string> pick;
};
