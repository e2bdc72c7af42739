#include "single_instance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace kestrel::flash::ui {

namespace {

constexpr char kRaiseRequest[] = "raise\n";
constexpr char kRaiseAnswer[] = "ok\n";

enum class Answer {
    kRaised,
    kNoServer,  // nobody listens: the name is free or left behind by a crash
    kNoAnswer,  // somebody listens but did not answer in time
};

Answer AskToRaise(const QString& name, int timeout_ms) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeout_ms)) {
        return Answer::kNoServer;
    }
    socket.write(kRaiseRequest);
    const QDeadlineTimer deadline(timeout_ms);
    // A connection alone proves little: the kernel accepts it even for a
    // first instance that hangs.
    while (!socket.canReadLine() && !deadline.hasExpired()) {
        if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            break;
        }
    }
    return socket.canReadLine() && socket.readLine() == kRaiseAnswer ? Answer::kRaised
                                                                     : Answer::kNoAnswer;
}

}  // namespace

QString SingleInstance::DefaultName() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) {
        user = qEnvironmentVariable("LOGNAME");
    }
    if (user.isEmpty()) {
        user = QDir::home().dirName();
    }
    // The name becomes a file name in the temporary folder.
    QString safe;
    for (const QChar c : user) {
        safe += c.isLetterOrNumber() || c == u'-' || c == u'_' ? c : QChar(u'_');
    }
    return QStringLiteral("kestrel-flash-") + safe;
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

SingleInstance::Role SingleInstance::Claim(int timeout_ms) {
    // Two starts at the same moment must not both take a stale name over.
    QLockFile lock(QDir(QDir::tempPath()).filePath(name_ + QStringLiteral(".lock")));
    lock.tryLock(timeout_ms);  // without it the claim is only less certain

    const Answer answer = AskToRaise(name_, timeout_ms);
    if (answer == Answer::kRaised) {
        return Role::kSecond;
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        // Only a name nobody listens on is left over from a crash.
        if (answer == Answer::kNoAnswer || !QLocalServer::removeServer(name_) ||
            !server_->listen(name_)) {
            delete server_;
            server_ = nullptr;
            return Role::kUnreachable;
        }
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
    return Role::kFirst;
}

void SingleInstance::OnConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > 64) {
                    socket->disconnectFromServer();  // not one of ours
                }
                return;
            }
            if (socket->readLine(64) == kRaiseRequest) {
                socket->write(kRaiseAnswer);
                socket->flush();
                emit RaiseRequested();
            }
            socket->disconnectFromServer();
        });
    }
}

}  // namespace kestrel::flash::ui
