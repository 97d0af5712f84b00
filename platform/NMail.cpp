#include "platform/NMail.h"

#include "platform/NMailLibrary.h"

namespace {

struct LibraryState {
    bool initialized = false;
    int statusBufferSize = NMailLibrary::defaultStatusBufferSize;
};

LibraryState& state() {
    static LibraryState library;
    return library;
}

} // namespace

namespace NMailLibrary {
bool isInitialized() {
    return state().initialized;
}
int statusBufferSize() {
    return state().statusBufferSize;
}
} // namespace NMailLibrary

bool NMailInitializeWinSock() {
    if (!state().initialized)
        state() = LibraryState{.initialized = true};
    return true;
}

bool NMailSetOption(int option, int value) {
    if (!state().initialized || option != NMailOptionStatusBufferSize || value < 1)
        return false;
    state().statusBufferSize = value;
    return true;
}

bool NMailEndWinSock() {
    const bool wasInitialized = state().initialized;
    state() = LibraryState{};
    return wasInitialized;
}
