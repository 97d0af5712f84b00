#pragma once

// State shared by the library's calls; not part of the program's interface.
namespace NMailLibrary {

constexpr int defaultStatusBufferSize = 8192;

bool isInitialized();
int statusBufferSize();

} // namespace NMailLibrary
