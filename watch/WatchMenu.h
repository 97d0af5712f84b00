#pragma once

class CheckSchedule;
class QPoint;
class QWidget;

// The menu a right click on the mascot opens (the main window's street and stage, the standby
// window; never the courier, whose right click ends the program): "自動チェック", how often
// the program checks on its own, and "ログイン時に起動する". Each choice is stored at once in
// the program's own file, and takes effect even where that cannot be written, which is said.
void showWatchMenu(QWidget* parent, const QPoint& globalPosition, CheckSchedule& schedule);
