#include "output/scripteddialogbackend.h"

#include <QDir>

namespace output {

void ScriptedDialogBackend::acceptSave(const QString& path, int filterIndex,
                                       std::function<void()> whileOpen) {
    Answer a;
    a.kind = DialogOutcome::Kind::Accepted;
    a.path = path;
    a.filterIndex = filterIndex;
    a.whileOpen = std::move(whileOpen);
    answers_.enqueue(std::move(a));
}

void ScriptedDialogBackend::acceptPrinter(const QString& pdfPath,
                                          std::optional<QPrinter::PrintRange> range) {
    Answer a;
    a.kind = DialogOutcome::Kind::Accepted;
    a.path = pdfPath;
    a.range = range;
    answers_.enqueue(std::move(a));
}

void ScriptedDialogBackend::acceptOpen(const QStringList& paths) {
    Answer a;
    a.kind = DialogOutcome::Kind::Accepted;
    a.paths = paths;
    answers_.enqueue(std::move(a));
}

void ScriptedDialogBackend::cancel() {
    answers_.enqueue(Answer{});
}

void ScriptedDialogBackend::fail(const QString& description) {
    Answer a;
    a.kind = DialogOutcome::Kind::Failed;
    a.description = description;
    answers_.enqueue(std::move(a));
}

ScriptedDialogBackend::Answer ScriptedDialogBackend::next() {
    if (answers_.isEmpty()) {
        ++unscripted_;
        return Answer{};
    }
    return answers_.dequeue();
}

BackendAnswer ScriptedDialogBackend::runSave(const SaveRequest& request) {
    saveRequests.append(request);
    Answer a = next();
    if (a.whileOpen) a.whileOpen();
    BackendAnswer answer;
    answer.kind = a.kind;
    answer.description = a.description;
    answer.filterIndex = a.filterIndex;
    if (a.kind == DialogOutcome::Kind::Accepted) {
        answer.path =
            a.path.isEmpty()
                ? QDir(QDir::fromNativeSeparators(request.initDir)).filePath(request.fileName)
                : a.path;
    }
    return answer;
}

BackendAnswer ScriptedDialogBackend::runOpen(const OpenRequest& request) {
    openRequests.append(request);
    const Answer a = next();
    BackendAnswer answer;
    answer.kind = a.kind;
    answer.description = a.description;
    if (a.kind == DialogOutcome::Kind::Accepted) answer.paths = a.paths;
    return answer;
}

BackendAnswer ScriptedDialogBackend::runPrinter(const PrinterRequest& request, QPrinter& printer) {
    printerRequests.append(request);
    printRangesShown.append(printer.printRange());
    Answer a = next();
    if (a.kind == DialogOutcome::Kind::Accepted) {
        if (!a.path.isEmpty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(a.path);
        }
        if (a.range) printer.setPrintRange(*a.range);
    }
    BackendAnswer answer;
    answer.kind = a.kind;
    answer.description = a.description;
    return answer;
}

}  // namespace output
