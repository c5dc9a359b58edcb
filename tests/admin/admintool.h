#pragma once
// Runs the built romaji-admin as an administrator would.

#include "demoschool.h"
#include "processrun.h"

#include <QDate>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace testing_support {

inline ProcessRun RunAdmin(const QStringList& arguments, const QString& program = QStringLiteral(ROMAJI_ADMIN)) {
    return RunProcess(program, arguments);
}

// With input on its standard input (a PIN, as a script gives it).
inline ProcessRun RunAdminWithInput(const QStringList& arguments, const QByteArray& input) {
    return RunProcess(QStringLiteral(ROMAJI_ADMIN), arguments, 60000, input);
}

// The demo school laid out in a folder of its own for each test.
class DemoSchoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        demo::Options options;
        options.today = QDate::currentDate();
        QString error;
        ASSERT_TRUE(demo::LayOutDemoSchool(dir_.path(), options, error)) << error.toStdString();
    }
    QString Data() const { return dir_.path() + QStringLiteral("/CAIdata/ローマ字/"); }
    QString Root() const { return dir_.path() + QStringLiteral("/CAIdata/"); }
    QString Results() const { return Data() + QStringLiteral("成績累積データ.dat"); }

    QTemporaryDir dir_;
};

}  // namespace testing_support
