#include "sequence_files.h"

#include "message_box.h"
#include "text.h"

#include "common/file_writer.h"
#include "core/secrets.h"
#include "files/curl_script.h"
#include "files/har_import.h"
#include "files/locust_file.h"
#include "files/sequence_file.h"
#include "network/trial_run_har.h"
#include "network/trial_run_junit.h"
#include "trial_run_report.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QProgressDialog>
#include <QSettings>
#include <QUrl>

#include <algorithm>

namespace waytrace {

namespace {

// Reading a large file takes seconds: after the first one, a progress that can be cancelled.
class ReadingProgress
{
public:
    ReadingProgress(QWidget* window, const QString& title, const QString& path)
        : dialog_(loadText(TextId::OpeningFile).arg(QFileInfo(path).fileName()),
                  loadText(TextId::Cancel), 0, kSteps, window)
    {
        dialog_.setWindowTitle(title);
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setMinimumDuration(1000);
    }
    ~ReadingProgress() { dialog_.reset(); }
    ReadingProgress(const ReadingProgress&) = delete;
    ReadingProgress& operator=(const ReadingProgress&) = delete;

    ReadProgress told()
    {
        return [this](qint64 done, qint64 total) {
            // Each step of the bar once: the rest costs nothing.
            if (const int step = int(done * kSteps / std::max<qint64>(total, 1)); step != shown_)
                dialog_.setValue(shown_ = step);
            return !dialog_.wasCanceled();
        };
    }

private:
    static constexpr int kSteps = 100;
    QProgressDialog dialog_;
    int shown_ = -1;
};

std::optional<SequenceFiles::Choice> fileDialog(QWidget* parent, SequenceFiles::Purpose purpose,
                                                const QString& current)
{
    using Purpose = SequenceFiles::Purpose;
    const bool exporting = purpose == Purpose::Export;
    const bool har = purpose == Purpose::ExportHar || purpose == Purpose::ImportHar;
    const bool junit = purpose == Purpose::ExportJUnit;
    const bool locust = purpose == Purpose::ExportLocust;
    const bool saving =
        purpose == Purpose::Save || exporting || purpose == Purpose::ExportHar || junit || locust;
    QFileDialog dialog(parent);
    // Qt's own dialog: it has room for the password box, and speaks the interface language.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(loadText(har         ? TextId::HarFilesFilter
                                  : junit     ? TextId::JUnitFilesFilter
                                  : locust    ? TextId::LocustFilesFilter
                                  : exporting ? TextId::ShellScriptsFilter
                                              : TextId::SequenceFilesFilter));
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const TextId title = purpose == Purpose::ImportHar ? TextId::ImportHar
                         : har                         ? TextId::ExportTrialRunHar
                         : junit                       ? TextId::ExportTrialRunJUnit
                         : locust                      ? TextId::ExportLocustFile
                         : exporting                   ? TextId::ExportCurlScript
                         : saving                      ? TextId::SaveToFile
                                                       : TextId::OpenFile;
    // The menu item's words, without the dots that promise this very dialog.
    dialog.setWindowTitle(loadText(title).remove(QStringLiteral("...")));
    if (saving)
        dialog.setDefaultSuffix(har         ? QStringLiteral("har")
                                : junit     ? QStringLiteral("xml")
                                : locust    ? QStringLiteral("py")
                                : exporting ? QStringLiteral("sh")
                                            : QStringLiteral("waytrace.json"));
    if (!current.isEmpty() && purpose == Purpose::Save)
        dialog.selectFile(current);
    QCheckBox* passwords = nullptr;
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
        grid && saving && !har && !junit) {
        passwords = new QCheckBox(loadText(TextId::IncludePasswords), &dialog);
        grid->addWidget(passwords, grid->rowCount(), 0, 1, -1);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return SequenceFiles::Choice{dialog.selectedFiles().first(),
                                 passwords && passwords->isChecked()};
}

constexpr int kRecentFiles = 8;

QSettings recentSettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Waytrace"),
                     QStringLiteral("waytrace"));
}

const QString kRecentKey = QStringLiteral("recentFiles");

SequenceFiles::Chooser& chooser()
{
    static SequenceFiles::Chooser current = fileDialog;
    return current;
}

QString faultText(const QString& name, const SequenceFileFault& fault)
{
    using Kind = SequenceFileFault::Kind;
    switch (fault.kind) {
    case Kind::NotJson:
        return loadText(TextId::FileBroken).arg(name).arg(fault.line).arg(fault.detail);
    case Kind::NotSequence:
        return loadText(TextId::NotASequenceFile).arg(name);
    case Kind::Newer:
        return loadText(TextId::NewerSequenceFile).arg(name, fault.detail);
    case Kind::BadField:
        return loadText(TextId::FileFieldBroken).arg(name).arg(fault.record).arg(fault.field);
    case Kind::Cancelled:
        break;
    }
    return loadText(TextId::NotASequenceFile).arg(name);
}

} // namespace

SequenceFiles::Chooser SequenceFiles::setChooser(Chooser replacement)
{
    Chooser previous = chooser();
    chooser() = replacement ? std::move(replacement) : Chooser(fileDialog);
    return previous;
}

SequenceFiles::SequenceFiles(RecordedSequence& sequence, SequenceUndo& undo, QWidget* window,
                             std::function<QString()> messageTitle, QString helpUrl)
    : QObject(window), sequence_(sequence), undo_(undo), window_(window),
      messageTitle_(std::move(messageTitle)), helpUrl_(std::move(helpUrl))
{
}

void SequenceFiles::askAndOpen()
{
    if (const auto choice = chooser()(window_, Purpose::Open, path_))
        open(choice->path);
}

void SequenceFiles::askAndImportHar()
{
    if (const auto choice = chooser()(window_, Purpose::ImportHar, path_))
        importHar(choice->path);
}

void SequenceFiles::askAndSave()
{
    const auto choice = chooser()(window_, Purpose::Save, path_);
    if (!choice || (choice->withPasswords && !supplyLeftOutPasswords()))
        return;
    if (!writeWhole(choice->path, sequenceFileBytes(sequence_, choice->withPasswords)))
        return;
    keep(choice->path);
    emit fileChanged();
}

void SequenceFiles::askAndExport()
{
    const auto choice = chooser()(window_, Purpose::Export, path_);
    if (!choice || (choice->withPasswords && !supplyLeftOutPasswords()))
        return;
    const auto script = curlScript(sequence_, choice->withPasswords);
    if (const auto* refusal = std::get_if<CurlScriptRefusal>(&script)) {
        tell(loadText(TextId::UserNameHasColon).arg(refusal->step));
        return;
    }
    writeWhole(choice->path, std::get<QByteArray>(script));
}

void SequenceFiles::askAndExportLocust()
{
    const auto choice = chooser()(window_, Purpose::ExportLocust, path_);
    if (!choice || (choice->withPasswords && !supplyLeftOutPasswords()))
        return;
    writeWhole(choice->path, locustFile(sequence_, choice->withPasswords));
}

void SequenceFiles::askAndExportHar(const QList<TrialRunResult>& results)
{
    const auto choice = chooser()(window_, Purpose::ExportHar, path_);
    if (!choice)
        return;
    writeWhole(choice->path, trialRunHar(results));
}

void SequenceFiles::askAndExportJUnit(const TrialRunReport& report)
{
    const auto choice = chooser()(window_, Purpose::ExportJUnit, path_);
    if (!choice)
        return;
    std::vector<JUnitStep> steps;
    for (const auto& step : report.steps)
        steps.push_back({step.position, step.label, step.post, step.address, step.result});
    const QString suite =
        path_.isEmpty() ? QStringLiteral("Waytrace") : QFileInfo(path_).baseName();
    writeWhole(choice->path, trialRunJUnit(suite, steps));
}

bool SequenceFiles::writeWhole(const QString& path, const QByteArray& bytes) const
{
    const auto error = writeFile(path, bytes, FileAccess::OwnerOnly);
    if (error)
        tell(loadText(TextId::CannotSaveFile).arg(QFileInfo(path).fileName(), *error));
    return !error;
}

std::optional<QByteArray> SequenceFiles::readWhole(const QString& path) const
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        tell(loadText(TextId::CannotOpenFile).arg(name, file.errorString()));
        return std::nullopt;
    }
    if (file.size() > kLargestSequenceFile) {
        tell(loadText(TextId::FileTooLarge).arg(name).arg(kLargestSequenceFile / 1000 / 1000));
        return std::nullopt;
    }
    return file.readAll();
}

void SequenceFiles::replaceSequence(const std::vector<RecordRef>& records)
{
    undo_.clear(sequence_); // Edit > Undo brings back what was there
    sequence_.insert(0, records);
}

bool SequenceFiles::open(const QString& path)
{
    const auto bytes = readWhole(path);
    if (!bytes)
        return false;
    const auto read = [&] {
        ReadingProgress progress(window_, messageTitle_(), path);
        return readSequenceFile(*bytes, progress.told());
    }();
    if (const auto* fault = std::get_if<SequenceFileFault>(&read)) {
        if (fault->kind != SequenceFileFault::Kind::Cancelled)
            tell(faultText(QFileInfo(path).fileName(), *fault));
        return false;
    }
    const auto& contents = std::get<SequenceFileContents>(read);
    replaceSequence(contents.records);
    keep(path);
    emit fileChanged();
    return true;
}

bool SequenceFiles::importHar(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const auto bytes = readWhole(path);
    if (!bytes)
        return false;
    const auto read = [&] {
        ReadingProgress progress(window_, messageTitle_(), path);
        return waytrace::importHar(*bytes, helpUrl_, progress.told());
    }();
    if (const auto* fault = std::get_if<SequenceFileFault>(&read)) {
        if (fault->kind == SequenceFileFault::Kind::Cancelled)
            return false;
        tell(fault->kind == SequenceFileFault::Kind::NotJson
                 ? faultText(name, *fault)
                 : loadText(TextId::NotAHarFile).arg(name));
        return false;
    }
    const auto& har = std::get<HarImport>(read);
    replaceSequence(har.records);
    // Not a sequence file: a save to a file asks where.
    path_.clear();
    changed_ = false;
    emit fileChanged();

    QStringList report{loadText(TextId::HarImported).arg(har.records.size()).arg(name)};
    if (har.notPages + har.redirectFollowUps + har.notWeb + har.broken > 0)
        report.append(loadText(TextId::HarLeftOut)
                          .arg(har.notPages)
                          .arg(har.redirectFollowUps)
                          .arg(har.notWeb)
                          .arg(har.broken));
    if (!har.inexactBodies.empty()) {
        QStringList steps;
        for (const int step : har.inexactBodies)
            steps.append(QString::number(step));
        report.append(loadText(TextId::HarInexactBodies).arg(steps.join(QStringLiteral(", "))));
    }
    tell(report.join(QStringLiteral("\n\n")));
    return true;
}

bool SequenceFiles::supplyLeftOutPasswords()
{
    const auto server = [](std::u16string_view address) {
        return QUrl(QString::fromUtf16(address.data(), qsizetype(address.size())))
            .adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery |
                      QUrl::RemoveFragment)
            .toString();
    };
    // One question for each user on each server, and for each field on each server: a login's
    // steps share it. Each question fills its steps' places.
    struct Question
    {
        QString text;
        std::vector<std::function<void(const QString&)>> fills;
    };
    QList<std::pair<QString, Question>> questions;
    const auto ask = [&](const QString& key, const QString& text,
                         std::function<void(const QString&)> fill) {
        const auto same =
            std::ranges::find(questions, key, &decltype(questions)::value_type::first);
        if (same != questions.end())
            same->second.fills.push_back(std::move(fill));
        else
            questions.append({key, {text, {std::move(fill)}}});
    };
    for (const auto& record : sequence_) {
        auto& left = record->leftOut;
        if (left.password && record->userName.empty())
            left.password = false; // nobody to log in
        if (left.password) {
            const QString user = QString::fromStdU16String(record->userName);
            const QString where = server(record->urlAddress);
            ask(user + u'@' + where, loadText(TextId::PasswordLeftOut).arg(user, where),
                [record](const QString& answer) {
                    supplyPassword(*record, answer.toStdU16String());
                });
        }
        if (left.addressPassword) {
            const auto login = addressLogin(record->urlAddress);
            const QString user =
                QUrl::fromPercentEncoding(QString::fromStdU16String(login.user).toUtf8());
            const QString where = QString::fromStdU16String(login.server);
            ask(user + u'@' + where, loadText(TextId::PasswordLeftOut).arg(user, where),
                [record](const QString& answer) {
                    supplyAddressPassword(*record, answer.toStdString());
                });
        }
        for (const auto& field : left.fields) {
            const QString name = QString::fromStdU16String(field);
            const QString where = server(record->urlAddress);
            ask(u'\n' + name + u'@' + where, loadText(TextId::FieldLeftOut).arg(name, where),
                [record, field](const QString& answer) {
                    supplyField(*record, field, answer.toStdString());
                });
        }
    }
    for (const auto& [key, question] : questions) {
        bool answered = false;
        const QString answer = QInputDialog::getText(window_, messageTitle_(), question.text,
                                                     QLineEdit::Password, {}, &answered);
        if (!answered)
            return false;
        for (const auto& fill : question.fills)
            fill(answer);
    }
    return true;
}

void SequenceFiles::forget()
{
    path_.clear();
    changed_ = false;
    keptCount_ = sequence_.count();
    emit fileChanged();
}

void SequenceFiles::noteChange()
{
    changed_ = true;
}

void SequenceFiles::keep(const QString& path)
{
    path_ = path;
    changed_ = false;
    keptCount_ = sequence_.count();
    remember(path_);
}

QStringList SequenceFiles::recentFiles() const
{
    QStringList files = recentSettings().value(kRecentKey).toStringList();
    files.removeIf([](const QString& path) { return !QFileInfo(path).isFile(); });
    return files;
}

void SequenceFiles::remember(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList files = recentSettings().value(kRecentKey).toStringList();
    files.removeAll(absolute);
    files.prepend(absolute);
    recentSettings().setValue(kRecentKey, files.mid(0, kRecentFiles));
}

QString SequenceFiles::fileName() const
{
    return path_.isEmpty() ? QString() : QFileInfo(path_).fileName();
}

bool SequenceFiles::isModified() const
{
    // Counted, not compared: the title asks at every keystroke in the panel. A sequence in no
    // file holds unsaved work as soon as it has a step.
    if (path_.isEmpty())
        return sequence_.count() > 0 && (changed_ || sequence_.count() != keptCount_);
    return changed_ || sequence_.count() != keptCount_;
}

void SequenceFiles::tell(const QString& text) const
{
    showMessage(window_, messageTitle_(), text);
}

} // namespace waytrace
