#include "fakeplatform.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace testing_support {

FakePlatform::FakePlatform()
    : now(QDate(2026, 12, 10), QTime(10, 0, 0)) {
    previous_ = common::SetPlatform(this);
}

FakePlatform::~FakePlatform() { common::SetPlatform(previous_); }

float FakePlatform::SecondsSinceMidnight() {
    return static_cast<float>(now.time().msecsSinceStartOfDay() / 1000.0);
}

int FakePlatform::PlayWav(const QString& path, QString& errorText) {
    sounds << path;
    int code = soundResult;
    if (!soundResults.empty()) {
        code = soundResults.front();
        soundResults.pop_front();
    }
    if (code != 0) errorText = soundError;
    if (onSound) onSound(QFileInfo(path).completeBaseName());
    return code;
}

common::MessageAnswer FakePlatform::MessageBox(const QString& text, const QString& title,
                                               common::MessageButtons buttons) {
    messages.append({text, title, buttons});
    if (!answers.empty()) {
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    return buttons == common::MessageButtons::YesNo ? common::MessageAnswer::Yes
                                                    : common::MessageAnswer::Ok;
}

bool FakePlatform::StartProgram(const QString& program, const QStringList& arguments,
                                QString& errorText) {
    started.append(QStringList{program} + arguments);
    if (!startSucceeds) errorText = QStringLiteral("cannot start");
    return startSucceeds;
}

void FakePlatform::RunPendingEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

common::Tell FakePlatform::Caution() {
    return [this](const QString& text) { MessageBox(text, QStringLiteral("注意"), common::MessageButtons::Ok); };
}

bool FakePlatform::Handled(const common::Outcome& outcome) {
    if (!outcome.IsFatal()) return true;
    MessageBox(outcome.Message(), outcome.Title().isEmpty() ? QStringLiteral("ローマ字") : outcome.Title(),
               common::MessageButtons::Ok);
    try {
        EndProgramAfterError();
    } catch (const ProgramEnded&) {
    }
    return false;
}

QStringList FakePlatform::SoundNames() const {
    QStringList out;
    for (const auto& s : sounds) out << QFileInfo(s).completeBaseName();
    return out;
}

}  // namespace testing_support
