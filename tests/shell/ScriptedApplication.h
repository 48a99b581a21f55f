#pragma once
// The application with one new catalog window, scripted over a bus of the
// test's own by a second connection, as another program would.
#include "FakeEnvironment.h"
#include "MenuChoice.h"
#include "SessionWindows.h"
#include "documents/RoduvudeDadevizi.h"
#include "platform/documents/DocumentController.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"
#include "shell/ScriptingBus.h"
#include "support/PrivateBus.h"
#include "support/TestHome.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <gtest/gtest.h>
#include <memory>

class ScriptedApplication : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus.daemon.state() == QProcess::Running);
        DocumentController::sharedDocumentController().registerDocumentType(
            RoduvudeDadevizi::documentType());
        delegate = std::make_unique<AppDelegate>(std::make_unique<FakeEnvironment>());
        ASSERT_TRUE(scripting.start(bus.connect(QStringLiteral("app"))));
        client = bus.connect(QStringLiteral("client"));
        ASSERT_TRUE(client.isConnected());
        ASSERT_TRUE(choose(*delegate->mainMenu(), "newCatalogDocument:"));
        document = qobject_cast<RoduvudeDadevizi*>(
            DocumentController::sharedDocumentController().documents().first());
        ASSERT_TRUE(document);
        activate(controllerOf(document)->window());
        const QStringList paths = scripting.catalogPaths();
        ASSERT_FALSE(paths.isEmpty());
        catalogPath = paths.first();
    }
    void TearDown() override {
        for (Document* open : DocumentController::sharedDocumentController().documents())
            open->close();
        QCoreApplication::processEvents();
    }

    // A call by the client, answered while this thread runs events; what the
    // call queued (notices, undo groups) has run when it returns.
    QDBusMessage send(const QString& path, const char* interface, const char* method,
                      const QList<QVariant>& arguments = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QString::fromLatin1(ScriptingBus::kService), path, QString::fromLatin1(interface),
            QString::fromLatin1(method));
        message.setArguments(arguments);
        const QDBusMessage reply = awaitReply(client.asyncCall(message));
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        return reply;
    }
    // The error's text; empty for success.
    static QString errorOf(const QDBusMessage& reply) {
        return reply.type() == QDBusMessage::ErrorMessage ? reply.errorMessage() : QString();
    }

    TestHome home;
    PrivateBus bus;
    std::unique_ptr<AppDelegate> delegate;
    ScriptingBus scripting;
    QDBusConnection client{QStringLiteral("none")};
    RoduvudeDadevizi* document = nullptr;
    QString catalogPath;
};
