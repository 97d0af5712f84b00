#include "chara/CharaState.h"

namespace {
constexpr qint16 frontViewRow = 2;
}

CharaState& sharedCharaState() {
    static CharaState state;
    return state;
}

void ResetCharaPose(CharaState& state) {
    state.CharaX = 0;
    state.CharaY = 0;
    state.CharaRow = frontViewRow;
}

void ToggleCharaStep(CharaState& state) {
    state.CharaStep = state.CharaStep == 0 ? 1 : 0;
}
