// SPDX-License-Identifier: MIT
#include "PdhState.h"

#include <utility>

TPdhState& PdhState()
{
    static TPdhState state;
    return state;
}

void PdhLinuxSetSource(PdhLinuxSource source)
{
    TPdhState& state = PdhState();
    state.source = std::move(source);
}
