#include "chara/Form2.h"

#include "chara/CharaLoop.h"
#include "chara/CharaPose.h"
#include "chara/StageCanvas.h"

#include "resources/ProgramIcon.h"
#include "ui/OnScreen.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QPushButton>

namespace {

constexpr QSize clientSize(64, 36);
constexpr int standbyStageStepMs = 1000;

} // namespace

Form2& Form2::instance() {
    return FormInstance<Form2>::get();
}

Form2::Form2()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("待機"));
    setWindowIcon(programIcon());
    setFixedSize(clientSize);

    // The stage and the button reach past the client area's bottom and right edge: clipped.
    auto* stage = new StageCanvas(QImage(QStringLiteral(":/images/stage.png")), this);
    stage->setObjectName(QStringLiteral("picMain"));
    stage->move(0, 0);
    Command1 = new QPushButton(QStringLiteral("復帰"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(40, 0, 25, 39);
    connect(Command1, &QPushButton::clicked, this, &Form2::returnRequested);

    m_loop =
        new CharaLoop(stage, QImage(QStringLiteral(":/images/chara.png")), sharedCharaPose(), this);
    startCharaStepTimer(this, standbyStageStepMs);
    keepOnScreen(*this);
}

void Form2::load() {
    // The standby loop starts as the main one does: the front view at the stage's corner.
    m_loop->run();
}

void Form2::closeEvent(QCloseEvent* event) {
    event->ignore();
    Q_EMIT endProgramRequested();
}

void Form2::contextMenuEvent(QContextMenuEvent* event) {
    Q_EMIT watchMenuRequested(event->globalPos());
}
