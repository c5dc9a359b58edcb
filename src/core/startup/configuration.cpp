#include "core/startup/configuration.h"

#include "core/common/fileio.h"
#include "core/common/numbers.h"
#include "core/common/platform.h"
#include "core/common/sharedstate.h"
#include "core/common/strings.h"
#include "core/common/textfile.h"
#include "core/results/criteria.h"
#include "core/common/runstate.h"
#include "core/startup/runstate.h"
#include "core/sound/sound.h"

#include <QDir>
#include <QFileInfo>

namespace startup {
namespace {

const QString kPathFileName = QStringLiteral("パスデータ.txt");
const QString kCommonFileName = QStringLiteral("共通データ.txt");
constexpr int kItemsPerFile = 10;

// Reads the items of one start-up file; false with the message when the file
// cannot be read or holds fewer items than it must.
bool ReadItems(const QString& path, const QString& fileName, QStringList& items,
               QString& errorMessage) {
    QString error;
    const auto text = common::ReadShiftJisFile(path, &error);
    if (!text) {
        errorMessage = common::CannotReadMessage(fileName, path, error);
        return false;
    }
    items = common::ReadAllItems(*text);
    if (items.size() < kItemsPerFile) {
        errorMessage = QStringLiteral("%1 の項目が足りません（%2 項目のところ %3 項目しかありません）。\n%4")
                           .arg(fileName)
                           .arg(kItemsPerFile)
                           .arg(items.size())
                           .arg(QDir::cleanPath(path));
        return false;
    }
    return true;
}

int ItemNumber(const QString& item) { return common::RoundToInt(common::LeadingNumber(item)); }

// Item 1 of the path file as a folder name of this machine. A relative one
// is taken from the folder that holds the path file, so a school can move the
// whole tree; its trailing '/' (or the lack of one) is kept as written.
QString ResolveDataRoot(const QString& item, const QString& pathFileFolder) {
    QString root = item;
    root.replace(u'\\', u'/');
    if (QDir::isAbsolutePath(root)) return root;
    const bool endsWithSlash = root.endsWith(u'/');
    QString resolved = QDir::cleanPath(pathFileFolder + u'/' + root);
    if (endsWithSlash && !resolved.endsWith(u'/')) resolved += u'/';
    return resolved;
}

}  // namespace

void CommonSettings::Reset() { *this = CommonSettings{}; }

CommonSettings& commonSettings() {
    static CommonSettings& settings = common::MakeShared<CommonSettings>();
    return settings;
}

bool IsDevLayout(const QString& programFolder) {
    return programFolder.contains(QStringLiteral("VB0006")) &&
           !programFolder.contains(QStringLiteral("VORLEX"));
}

Folders DeriveFolders(const QString& programFolder, const QString& dataRootItem, bool devLayout) {
    Folders f;
    f.DataRoot = dataRootItem;
    if (devLayout) {
        // The first component of P with its separator: the drive on the old
        // machines, "/" here.
        const qsizetype slash = programFolder.indexOf(u'/');
        const QString first = slash < 0 ? programFolder + u'/' : programFolder.left(slash + 1);
        f.DataRoot = first + QStringLiteral("VB0006/VBベルダなし/");
    }
    f.ProgramFolderName = programFolder.mid(programFolder.lastIndexOf(u'/') + 1);
    f.ProgramDataFolder =
        devLayout ? programFolder + u'/' : f.DataRoot + f.ProgramFolderName + u'/';
    f.SoundFolder = f.DataRoot + QStringLiteral("音フォルダ/");
    return f;
}

void SplitClassroomText(const QString& text, QString& schoolCode, QString& schoolName) {
    const QString head = common::Left(text, 5);
    if (common::LeadingNumber(head) != 0) {
        schoolCode = head;
        schoolName = text.mid(5);
    } else {
        schoolCode.clear();
        schoolName = text;
    }
}

namespace {

bool ReadPathFile(const QString& programFolder, QStringList& items, QString& errorMessage) {
    return ReadItems(programFolder + QStringLiteral("/../") + kPathFileName, kPathFileName, items,
                     errorMessage);
}

}  // namespace

bool ReadDataRoot(const QString& programFolder, QString& dataRoot, QString& errorMessage) {
    QStringList pathItems;
    if (!ReadPathFile(programFolder, pathItems, errorMessage)) return false;
    if (pathItems[0].isEmpty()) {
        errorMessage = QStringLiteral("%1 の 1 番目の項目（データフォルダ）が空です。\n%2")
                           .arg(kPathFileName,
                                QDir::cleanPath(programFolder + QStringLiteral("/../") + kPathFileName));
        return false;
    }
    dataRoot = ResolveDataRoot(pathItems[0], programFolder + QStringLiteral("/.."));
    return true;
}

bool ReadCommonFile(const QString& dataRoot, CommonFile& common, QString& errorMessage) {
    const QString commonFile = dataRoot + kCommonFileName;
    QStringList commonItems;
    if (!ReadItems(commonFile, kCommonFileName, commonItems, errorMessage)) return false;
    const int startMonth = ItemNumber(commonItems[0]);
    if (startMonth < 1 || startMonth > 12) {
        // A month outside the year would silently give every pupil a wrong grade.
        errorMessage = QStringLiteral("%1 の 1 番目の項目（学年の始まる月）は 1～12 の数でなければなりません（いまは「%2」）。\n%3")
                           .arg(kCommonFileName, commonItems[0], QDir::cleanPath(commonFile));
        return false;
    }
    common.Settings.SchoolYearStartMonth = startMonth;
    common.Settings.ListFlagTwo = ItemNumber(commonItems[2]);
    SplitClassroomText(commonItems[1], common.SchoolCode, common.SchoolName);
    return true;
}

QString CommonFileText(int startMonth, const QString& classroom, int listFlagTwo) {
    common::ItemWriter w;
    w.Number(static_cast<long long>(startMonth)).EndLine();
    w.Text(classroom).EndLine();
    w.Number(static_cast<long long>(listFlagTwo)).EndLine();
    for (int item = 4; item <= kItemsPerFile; ++item) w.Number(0LL).EndLine();
    return w.Result();
}

bool LoadConfiguration(QString& errorMessage, const common::Tell& tell) {
    common::RunState& state = common::runState();
    const QString programFolder = common::platform().ProgramFolder();

    // The path file one level above the program folder: the data root
    // (read in the development layout too, which then ignores it).
    QString dataRoot;
    if (state.DevLayout) {
        QStringList pathItems;
        if (!ReadPathFile(programFolder, pathItems, errorMessage)) return false;
    } else if (!ReadDataRoot(programFolder, dataRoot, errorMessage)) {
        return false;
    }
    const Folders folders = DeriveFolders(programFolder, dataRoot, state.DevLayout);

    // The common settings in the data root; classroom code and name.
    CommonFile common;
    if (!ReadCommonFile(folders.DataRoot, common, errorMessage)) {
        if (!state.DevLayout && !common::Exists(folders.DataRoot + kCommonFileName))
            errorMessage += QStringLiteral("\n%1 の 1 番目の項目（データフォルダ、最後は /）を確かめてください。")
                                .arg(kPathFileName);
        return false;
    }
    commonSettings() = common.Settings;
    state.SchoolCode = common.SchoolCode;
    state.SchoolName = common.SchoolName;

    // The folders.
    state.DataRoot = folders.DataRoot;
    state.ProgramFolderName = folders.ProgramFolderName;
    state.ProgramDataFolder = folders.ProgramDataFolder;
    state.SoundFolder = folders.SoundFolder;

    // The program's identity, the criteria, the sound list (with a warning when answer sounds are missing).
    SetProgramIdentity();
    if (!results::LoadCriteria(errorMessage) || !sound::LoadSoundTable(errorMessage)) return false;
    if (const QString warning = sound::MissingAnswerSoundsWarning(); !warning.isEmpty() && tell) tell(warning);
    return true;
}

}  // namespace startup
