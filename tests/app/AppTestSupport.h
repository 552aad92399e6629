// Shared pieces of the dialog tests: answered dialogs, a program folder with
// its Data files, and quick ways to fill the contact image.
#pragma once

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>
#include <QtTest>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "app/DialogServices.h"
#include "app/PendrakApp.h"
#include "radio/RadioLink.h"
#include "radio/sim/RadioEmulator.h"
#include "radio/sim/SimLink.h"
#include "settings/AppData.h"

namespace pendrak::test {

struct RecordedBox {
    QWidget* owner;
    QString text;
    QString caption;
    BoxIcon icon;
};

class CFakeDialogServices : public IDialogServices {
public:
    CFakeDialogServices() { SetDialogServices(this); }
    ~CFakeDialogServices() override { SetDialogServices(nullptr); }

    void MessageBox(QWidget* owner, const QString& text, const QString& caption,
                    BoxIcon icon) override {
        boxes.push_back({owner, text, caption, icon});
        if (onBox) onBox(boxes.back());
    }
    bool GetSaveFileName(QWidget*, const QString& title, const QString& proposedName,
                         const QString& filter, QString* path) override {
        saveTitle = title;
        saveProposed = proposedName;
        saveFilter = filter;
        if (answerPath.isEmpty()) return false;
        *path = answerPath;
        return true;
    }
    bool GetOpenFileName(QWidget*, const QString& title, const QString& folder,
                         const QString& filter, QString* path) override {
        openTitle = title;
        openFolder = folder;
        openFilter = filter;
        if (answerPath.isEmpty()) return false;
        *path = answerPath;
        return true;
    }
    bool GetExistingDirectory(QWidget*, const QString& title, const QString& folder,
                              QString* path) override {
        openTitle = title;
        openFolder = folder;
        if (answerPath.isEmpty()) return false;
        *path = answerPath;
        return true;
    }
    // A test drives the program's own dialogs through onDialog; without
    // it they are cancelled.
    int ExecDialog(QDialog& dialog) override {
        dialogs.push_back(dialog.windowTitle());
        return onDialog ? onDialog(dialog) : 0;
    }
    bool AskYesNo(QWidget*, const QString& text, const QString& caption) override {
        questions.push_back({nullptr, text, caption, BoxIcon::None});
        return answerYes;
    }
    bool AskYesNoCheck(QWidget* owner, const QString& text, const QString& caption,
                       const QString& checkText, bool* checked) override {
        checkTexts.push_back(checkText);
        *checked = answerCheck;
        return AskYesNo(owner, text, caption);
    }

    QVector<RecordedBox> boxes;
    std::function<void(const RecordedBox&)> onBox;
    QString answerPath;  // empty: the user cancels
    QString saveTitle, saveProposed, saveFilter, openTitle, openFilter, openFolder;
    std::function<int(QDialog&)> onDialog;
    QStringList dialogs;  // titles of the dialogs run
    QVector<RecordedBox> questions;
    bool answerYes = false;
    bool answerCheck = false;  // the check box of a question, as the user leaves it
    QStringList checkTexts;
};

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(bytes);
}

inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Language file texts are their own keys, so tests can tell which was shown.
inline QByteArray KeyedLanguageFile(bool withResources) {
    static const char* const keys[] = {
        "IDS_DMRCONTACT", "IDS_Savecsv", "IDS_FileNameError", "IDS_SavecsvOK", "IDS_ERROR",
        "IDS_ERR_PORTCONN", "IDS_ERR_CONNECT", "IDS_ERR_GMode", "IDS_ERR_ReadRDSVersion",
        "IDS_ERR_RDSVersion", "IDS_ERR_READ", "IDS_PROMPT_READ", "IDS_PROMPT_READSUCC",
        "IDS_PROMPT_WRITE", "IDS_PROMPT_WRITESUCC", "IDS_ERR_WRITE"};
    QByteArray text = "\xEF\xBB\xBF[String]\n";
    for (const char* key : keys) text += QByteArray(key) + "=<" + key + ">\n";
    if (withResources)
        text += "[Resource]\n102=Kontakte\n7303=|<<\n7316=Lesen\n7317=\n7313=Ausgabe\n";
    return text;
}

// A program folder: <dir>/pendrak with Data/setting.txt and Data/test.lng.
class CProgramDir {
public:
    explicit CProgramDir(const QByteArray& language = KeyedLanguageFile(true),
                         const QByteArray& extraSettings = {}, bool withSettings = true) {
        QDir(m_dir.path()).mkdir("Data");
        if (withSettings)
            Write("Data/setting.txt", "[setup]\nlanguage=test\n" + extraSettings);
        Write("Data/test.lng", language);
    }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    // With the system's separators, as the program gets its own path.
    std::string ProgramPath() const { return QDir::toNativeSeparators(Path("pendrak")).toStdString(); }
    void Write(const QString& name, const QByteArray& bytes) const {
        QFile f(Path(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }
    // Settings, language file and an empty contact image, as start-up leaves them.
    void Load() const { LoadProgramSettings(ProgramPath()); }

private:
    QTemporaryDir m_dir;
};

// Contact n gets radio ID id(n) and Callsign "C<n>".
inline void FillContacts(CContactImage& image, int count,
                         const std::function<int(int)>& id = [](int n) { return n + 1; }) {
    for (int n = 0; n < count; ++n) {
        image.SetContactRadioId(n, id(n));
        image.SetContactFieldText(CONTACT_CALLSIGN, n, "C" + std::to_string(n));
    }
    image.SetContactCount(count);
}

// A program folder whose settings point at an emulated radio in radio.bin.
class CRadioProgram {
public:
    explicit CRadioProgram(const QByteArray& extraSettings = {}) {
        // Writes go without the question before them unless extraSettings
        // names confirm_write.
        m_dir.Write("Data/setting.txt", "[setup]\nlanguage=test\nradio=sim:" +
                                             m_dir.Path("radio.bin").toUtf8() + "\n" +
                                             (extraSettings.contains("confirm_write")
                                                  ? QByteArray()
                                                  : QByteArray("confirm_write=0\n")) +
                                             extraSettings);
        m_dir.Load();
    }
    std::string MemoryFile() const { return m_dir.Path("radio.bin").toStdString(); }
    QString Path(const QString& name) const { return m_dir.Path(name); }

    // The radio holds `count` contacts with IDs id(n).
    void PutContactsInRadio(int count, const std::function<int(int)>& id) const {
        auto image = std::make_unique<CContactImage>();
        image->ClearContactImage();
        FillContacts(*image, count, id);
        CRadioEmulator radio(GetSimOptions());
        radio.ResetMemory();
        std::copy_n(image->Bytes(), ContactImageUsedLength(count), radio.ContactRegion());
        QVERIFY(radio.SaveMemory(MemoryFile()));
    }
    std::unique_ptr<CRadioEmulator> LoadRadio() const {
        auto radio = std::make_unique<CRadioEmulator>(GetSimOptions());
        radio->LoadMemory(MemoryFile());
        return radio;
    }

private:
    CProgramDir m_dir;
};

inline void ShortenRadioTimeouts() {
    g_radioTimeouts.writeMs = 100;
    g_radioTimeouts.readMs = 30;
    g_radioTimeouts.exactWindowMs = 100;
    g_radioTimeouts.pollMs = 1;
    g_radioTimeouts.drainWindowMs = 20;
}

}  // namespace pendrak::test
