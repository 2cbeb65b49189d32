#pragma once

#include "core/recorded_sequence.h"
#include "core/sequence_undo.h"
#include "network/trial_run.h"
#include "resources/text_id.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace waytrace {

struct TrialRunReport;

// Open File…, Save to File…, Import HAR… and Export…: the sequence kept in a file, which file
// that is, and whether the sequence changed since it was opened or saved. Opening or importing
// puts the current sequence where Edit > Undo brings it back; a file that cannot be read changes
// nothing. Passwords a file was saved without are asked for when a save or test run needs them.
class SequenceFiles : public QObject
{
    Q_OBJECT

public:
    // What the user picked in the file dialog.
    struct Choice
    {
        QString path;
        bool withPasswords = false;
    };
    enum class Purpose
    {
        Open,
        Save,
        ImportHar,
        Export,      // as a script of curl commands
        ExportHar,   // a test run
        ExportJUnit, // a test run, for CI servers
        ExportLocust // as a Locust file
    };
    using Chooser = std::function<std::optional<Choice>(QWidget* parent, Purpose purpose,
                                                        const QString& current)>;
    // Replaces the file dialog (tests); an empty function restores it. Returns the one replaced.
    static Chooser setChooser(Chooser chooser);

    // `window` is the parent of the dialogs and messages; `messageTitle` gives their title.
    // Imports leave out the help page, as recording does.
    SequenceFiles(RecordedSequence& sequence, SequenceUndo& undo, QWidget* window,
                  std::function<QString()> messageTitle, QString helpUrl);

    void askAndOpen();
    void askAndImportHar();
    void askAndSave();
    void askAndExport();
    // As a Locust file, for load: with passwords only when asked.
    void askAndExportLocust();
    // A test run as a HAR file (never with credentials).
    void askAndExportHar(const QList<TrialRunResult>& results);
    // A test run as JUnit XML, its suite named after the sequence's file (never with
    // credentials).
    void askAndExportJUnit(const TrialRunReport& report);
    // Opens the file at `path`; says why in a message when it cannot. Returns whether it did.
    bool open(const QString& path);
    // Imports a HAR file a browser saved and says what it left out. Returns whether it did.
    bool importHar(const QString& path);
    // Asks for each password and form field value that an opened file left out and a step
    // still needs, once for each user or field on each server.
    // Returns false when the user cancelled: what needed them should not go on.
    bool supplyLeftOutPasswords();
    // A new sequence belongs to no file.
    void forget();
    // The user changed the sequence (an edit, a removal, an undo).
    void noteChange();

    // The files last opened or saved, newest first, those still there. The list is the one
    // thing kept on disk for the user (in the settings), and only once a file was used.
    [[nodiscard]] QStringList recentFiles() const;

    // The file's name, empty for none; whether the sequence changed since it was opened or saved
    // (without a file: since it was started, once it has a step).
    [[nodiscard]] QString fileName() const;
    [[nodiscard]] bool isModified() const;

signals:
    // A file was opened (the sequence is new), saved, or forgotten.
    void fileChanged();

private:
    void tell(const QString& text) const;
    // The whole file, or nothing after saying why.
    std::optional<QByteArray> readWhole(const QString& path) const;
    // Whole or not at all, for the user alone (it may hold passwords); false once told why not.
    bool writeWhole(const QString& path, const QByteArray& bytes) const;
    // The sequence is now these records, the one before it behind Undo.
    void replaceSequence(const std::vector<RecordRef>& records);
    void remember(const QString& path);
    // The sequence is now the file at `path`.
    void keep(const QString& path);

    RecordedSequence& sequence_;
    SequenceUndo& undo_;
    QWidget* window_;
    std::function<QString()> messageTitle_;
    QString helpUrl_;
    QString path_;
    // Changes since the file was opened or saved: those noted, and steps recorded since.
    bool changed_ = false;
    std::size_t keptCount_ = 0;
};

} // namespace waytrace
