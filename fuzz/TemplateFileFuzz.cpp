// Feeds arbitrary bytes, as a template file, to the template document's
// reader: the binary generation with its header, records and archived
// payloads, and the older property-list generation. A file that reads must
// write again, and what was written must read back to the same template.
// The library's template handle reads the same bytes its own lazy way.
#include "framework/model/TemplateDocument.h"
#include "framework/model/TemplateFileFormat.h"
#include "library/TemplateHandle.h"
#include "support/TestHost.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const QString kType = QString::fromLatin1(kTemplateDocumentType);

QString scratchPath(const char* name) {
    return QDir::temp().filePath(QStringLiteral("template-fuzz-%1-%2")
                                     .arg(QCoreApplication::applicationPid())
                                     .arg(QString::fromLatin1(name)));
}

[[noreturn]] void failure(const char* what, const QString& detail = QString()) {
    std::fprintf(stderr, "%s %s\n", what, qPrintable(detail));
    std::abort();
}

void checkSameTemplate(const TemplateDocument& first, const TemplateDocument& second) {
    if (first.docName() != second.docName() || first.docCreator() != second.docCreator() ||
        first.docCategory() != second.docCategory() ||
        first.docDescription() != second.docDescription() ||
        first.docCopyright() != second.docCopyright() || first.documentID() != second.documentID())
        failure("a property changed on the way through a file");
    if (first.docChangeVersion() != second.docChangeVersion() ||
        first.thumbnailGenMode() != second.thumbnailGenMode())
        failure("the header changed on the way through a file");
    if (first.objects().size() != second.objects().size())
        failure("objects were lost on the way through a file");
    for (qsizetype i = 0; i < first.objects().size(); ++i)
        if (first.objects().at(i)->kind() != second.objects().at(i)->kind())
            failure("an object changed its class on the way through a file");
    if (first.printInfo() != second.printInfo())
        failure("the print info changed on the way through a file");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The readers and the thumbnail's drawing complain about every damaged input.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.*=false"));
    // Never destroyed: at exit it would outlive the platform's singletons.
    new QApplication(*argc, *argv);
    static TestHost host;
    // A newer format is refused with an alert nobody is there to answer.
    TemplateFile::setFileFormatAlertHook([](const QString&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input = scratchPath("in");
    const QString output = scratchPath("out.vyxTemplate");
    {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    {
        TemplateDocument document;
        QString error;
        if (document.readFromFileOfType(input, kType, &error)) {
            if (!document.writeToFileOfType(output, kType, &error))
                failure("a template that was read does not write:", error);
            TemplateDocument reread;
            if (!reread.readFromFileOfType(output, kType, &error))
                failure("a written template does not read:", error);
            if (reread.isDocumentEdited())
                failure("a written template opens as edited");
            checkSameTemplate(document, reread);
        } else if (error.isEmpty()) {
            failure("a refused file gives no reason");
        }
    }
    if (const TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(input)) {
        handle->name();
        handle->documentID();
        handle->thumbnailProxy();
        handle->pageRect();
        handle->namedImages();
        handle->objectsOnPage(0);
        handle->photoCellSize(0, 0);
        handle->photoCellRotation(1, 0);
        handle->editFields();
        PrintInfo info;
        handle->assertPageDesc(info);
    }
    // Queued notices of the documents and their objects go out here.
    QCoreApplication::processEvents();
    return 0;
}
