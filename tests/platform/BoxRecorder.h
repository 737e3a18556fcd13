// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <vector>

#include <QString>

#include "platform/ErrorBox.h"

// Records the message boxes instead of showing them while it lives; when it
// goes, whatever showed the boxes before is back.
class TBoxRecorder {
public:
    struct TBox {
        QString Text;
        QString Title;
    };

    std::vector<TBox> Boxes;
    // Runs inside each recorded box, where the real box would run its own
    // event loop until the user closed it.
    std::function<void()> WhileOpen;

private:
    // Last: installed after what it records into, and removed before it.
    TMessageBoxReplacement FReplacement{[this](const QString& text, const QString& title) {
        Boxes.push_back({text, title});
        if (WhileOpen)
            WhileOpen();
    }};
};
