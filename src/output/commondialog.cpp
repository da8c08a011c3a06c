#include "output/commondialog.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace output {

QList<FilterEntry> parseFilter(const QString& filter) {
    QStringList parts = filter.split(QLatin1Char('|'));
    // "a|b|" ends with a separator: the empty piece after it is not a type.
    if (!parts.isEmpty() && parts.last().isEmpty()) parts.removeLast();
    QList<FilterEntry> entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString pattern = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString();
        entries.append({parts[i], pattern.isEmpty() ? QStringLiteral("*") : pattern});
    }
    return entries;
}

QStringList nameFilters(const QList<FilterEntry>& entries) {
    QStringList names;
    for (const FilterEntry& e : entries) {
        QString patterns = e.pattern;
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString tail = QLatin1Char('(') + patterns + QLatin1Char(')');
        const QString description = e.description.trimmed();
        if (description.endsWith(QLatin1Char(')')) && description.contains(QLatin1String("(*")))
            names.append(description);
        else if (description.isEmpty())
            names.append(tail);
        else
            names.append(description + QLatin1Char(' ') + tail);
    }
    return names;
}

QString extensionForType(const QList<FilterEntry>& entries, int index, const QString& defaultExt) {
    QString ext = defaultExt;
    if (index >= 1 && index <= entries.size()) {
        QString own = entries[index - 1].pattern.section(QLatin1Char(';'), 0, 0).trimmed();
        if (own.startsWith(QLatin1Char('*'))) own.remove(0, 1);
        if (own.startsWith(QLatin1Char('.'))) own.remove(0, 1);
        static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_]+$"));
        if (plain.match(own).hasMatch()) ext = own;
    }
    if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
    return ext;
}

bool needsDefaultExt(const QString& path) {
    return QFileInfo(QDir::fromNativeSeparators(path)).suffix().isEmpty();
}

CommonDialog::CommonDialog(DialogBackend& backend, QWidget* parent)
    : backend_(backend), parent_(parent) {}

CommonDialog::~CommonDialog() = default;

DialogOutcome CommonDialog::outcomeOf(const BackendAnswer& answer) const {
    DialogOutcome outcome;
    outcome.kind = answer.kind;
    if (answer.kind == DialogOutcome::Kind::Cancelled && CancelError) outcome.error = kCancelError;
    if (answer.kind == DialogOutcome::Kind::Failed) outcome.description = answer.description;
    return outcome;
}

DialogOutcome CommonDialog::ShowSave() {
    SaveRequest request;
    request.fileName = FileName;
    request.filters = parseFilter(Filter);
    // An index outside the list (the list may be shorter than at the last use) selects
    // the first type, as the platform dialog does.
    request.filterIndex =
        FilterIndex >= 1 && FilterIndex <= request.filters.size() ? FilterIndex : 1;
    request.defaultExt = DefaultExt;
    request.initDir = InitDir;
    request.flags = Flags;
    request.parent = parent_;

    const BackendAnswer answer = backend_.runSave(request);
    const DialogOutcome outcome = outcomeOf(answer);
    if (!outcome.accepted()) return outcome;

    const int count = static_cast<int>(request.filters.size());
    const int chosen = count == 0 ? 1 : std::clamp(answer.filterIndex, 1, count);
    QString path = answer.path;
    const QString ext = extensionForType(request.filters, chosen, DefaultExt);
    if (!ext.isEmpty() && needsDefaultExt(path)) {
        if (!path.endsWith(QLatin1Char('.'))) path += QLatin1Char('.');
        path += ext;
    }
    FileName = path;
    FilterIndex = chosen;
    return outcome;
}

DialogOutcome CommonDialog::ShowOpen() {
    OpenRequest request;
    request.filters = parseFilter(Filter);
    request.initDir = InitDir;
    request.parent = parent_;
    const BackendAnswer answer = backend_.runOpen(request);
    const DialogOutcome outcome = outcomeOf(answer);
    if (outcome.accepted()) FileNames = answer.paths;
    return outcome;
}

QPrinter* CommonDialog::Printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return printer_.get();
}

DialogOutcome CommonDialog::ShowPrinter() {
    QPrinter& printer = *Printer();
    if (!(Flags & kPrintSetup))
        printer.setPrintRange((Flags & kPrintSelection) ? QPrinter::Selection : QPrinter::AllPages);
    PrinterRequest request;
    request.flags = Flags;
    if (!InitDir.isEmpty() && !FileName.isEmpty())
        request.printFileName =
            QDir(QDir::fromNativeSeparators(InitDir)).filePath(FileName + QStringLiteral(".pdf"));
    request.parent = parent_;
    return outcomeOf(backend_.runPrinter(request, printer));
}

}  // namespace output
