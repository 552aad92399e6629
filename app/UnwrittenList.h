// Whether the list shown still has to be written to the radio, and what
// closing the window must ask first. No widgets: the dialog shows the
// questions, and anything that changes the list (an editor, an Options
// dialog) marks it here.
#pragma once

#include <QString>

namespace pendrak {

struct RadioJob;

// How the list shown came to differ from what the radio holds.
enum class ListChange { Imported, Added, OpenedBackup, Edited };

class CUnwrittenList {
public:
    void Changed(ListChange how) {
        m_bUnwritten = true;
        m_change = how;
    }
    // A Write that reached its end, or a Read: the list is the radio's.
    void Written() { m_bUnwritten = false; }
    void ReadFromRadio() { m_bUnwritten = false; }

    bool IsUnwritten() const { return m_bUnwritten; }
    ListChange LastChange() const { return m_change; }

    // "The list shown was imported and …": the question before it is dropped.
    QString DropQuestion() const;

private:
    bool m_bUnwritten = false;
    ListChange m_change = ListChange::Imported;
};

enum class CloseAsk { Nothing, StopWrite, DropList };

// What to ask before the window closes: a running Write comes first (a
// radio left half written is worse than a list lost), then a list not
// written. A running Read is stopped without asking.
CloseAsk CloseQuestionFor(bool writeRunning, const CUnwrittenList& list);

// Asked while a Write runs; its default answer (No) goes on writing.
QString StopWriteQuestion();

// After a Write that ended early (stopped or failed): what the radio holds
// now and which backup puts the whole list back. Empty when the radio took
// none of it or all of it.
QString IncompleteRadioText(const RadioJob& job, const QString& backupPath);

}  // namespace pendrak
