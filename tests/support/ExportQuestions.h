#pragma once
// The export's questions answered as a user answers them, given in advance:
// the duplicate alert's buttons in turn, and names typed into the rename
// panel. A fixture takes it as a second base.
#include "platform/ui/ModalAlert.h"

#include <QDialog>
#include <QLineEdit>
#include <QStringList>
#include <deque>
#include <functional>
#include <gtest/gtest.h>

class ExportQuestions {
protected:
    // `seen` is told of each alert as it is asked.
    void answerExportQuestions(std::function<void()> seen = {}) {
        ModalAlert::setResponder([this, seen](const ModalAlert::Request& request) {
            alerts.append(request);
            if (seen)
                seen();
            if (answers.empty())
                return int(ModalAlert::DefaultReturn);
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        });
        ModalAlert::setDialogResponder([this](QDialog& dialog) {
            ++renamePanels;
            auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("renameField"));
            EXPECT_NE(field, nullptr);
            if (!field || renames.empty())
                return int(QDialog::Rejected);
            shownNames.append(field->text());
            field->setText(renames.front());
            renames.pop_front();
            return int(QDialog::Accepted);
        });
    }
    static void stopAnsweringExportQuestions() {
        ModalAlert::setResponder({});
        ModalAlert::setDialogResponder({});
    }

    QStringList titles() const {
        QStringList list;
        for (const ModalAlert::Request& request : alerts)
            list << request.title;
        return list;
    }

    QList<ModalAlert::Request> alerts;
    std::deque<int> answers;
    std::deque<QString> renames;
    QStringList shownNames;
    int renamePanels = 0;
};
