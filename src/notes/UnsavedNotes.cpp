#include "UnsavedNotes.h"

#include "NoteWindow.h"
#include "platform/Notice.h"
#include "platform/ProductInfo.h"
#include "store/NoteWriter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace UnsavedNotes {

QList<NoteWindow *> find()
{
    QList<NoteWindow *> notes;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *note = qobject_cast<NoteWindow *>(window);
        if (note && note->hasUnsavedEdits())
            notes.append(note);
    }
    return notes;
}

void confirmExit(QWidget *parent, const std::function<void()> &proceed)
{
    // Writes still on their way count as saved once they land; only then is it known which
    // edits were not written.
    NoteWriter::finishAll(QDeadlineTimer(NoteWindow::kFinishWritingMs));
    confirm(find(), parent, proceed);
}

void confirm(const QList<NoteWindow *> &unsaved, QWidget *parent,
             const std::function<void()> &proceed)
{
    if (unsaved.isEmpty()) {
        proceed();
        return;
    }
    QList<QPointer<NoteWindow>> notes;
    for (NoteWindow *note : unsaved)
        notes.append(note);

    auto *box = new QMessageBox(
        QMessageBox::Question, QString::fromLatin1(ProductInfo::kName),
        QApplication::translate("UnsavedNotes",
                                "Some notes have changes that have not been saved. Save them "
                                "before closing?"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box->setObjectName(QStringLiteral("ExitQuestion"));
    box->setDefaultButton(QMessageBox::Yes);
    box->setEscapeButton(QMessageBox::Cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    QObject::connect(box, &QMessageBox::finished, box, [box, notes, proceed, parent] {
        const QMessageBox::StandardButton answer = box->standardButton(box->clickedButton());
        if (answer == QMessageBox::No) {
            proceed();
            return;
        }
        if (answer != QMessageBox::Yes)
            return;
        QStringList failures;
        for (const QPointer<NoteWindow> &note : notes) {
            if (note && !note->saveNow())
                failures.append(note->lastWriteError());
        }
        if (failures.isEmpty()) {
            proceed();
            return;
        }
        Notice::show(parent,
                     QApplication::translate("UnsavedNotes", "Pinvelle keeps running because some "
                                                             "notes could not be saved:\n%1")
                         .arg(failures.join(QLatin1Char('\n'))));
    });
    box->show();
}

} // namespace UnsavedNotes
