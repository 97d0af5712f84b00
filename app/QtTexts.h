#pragma once

// Qt's own texts (the standard buttons of message boxes, the edit menu of a text box) in
// Japanese, as the rest of the program speaks, whatever the system's language. False when Qt's
// Japanese translations are not installed: the texts then stay English.
bool installJapaneseQtTexts();
