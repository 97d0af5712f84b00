#include "chara/CharaPose.h"

namespace {
constexpr qint16 frontViewRow = 2;
}

CharaPose& sharedCharaPose() {
    static CharaPose state;
    return state;
}

void resetCharaPose(CharaPose& state) {
    state.CharaX = 0;
    state.CharaY = 0;
    state.CharaRow = frontViewRow;
}

void toggleCharaStep(CharaPose& state) {
    state.CharaStep = state.CharaStep == 0 ? 1 : 0;
}
