// One upgrade window per user: the first start listens under a fixed local
// name; a later start asks it to come to the front and then exits.
//
// Threading: Claim() blocks for at most a few seconds and may run on any
// thread; RaiseRequested is emitted on the thread that owns the object,
// from its event loop.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace kestrel::flash::ui {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Role {
        kFirst,       // this process listens now; run the window
        kSecond,      // the first was asked to come forward; exit 0
        kUnreachable  // a first holds the name but does not answer
    };

    // "kestrel-flash-" and the user's name.
    static QString DefaultName();

    explicit SingleInstance(QString name = DefaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // Becomes the first instance or asks the first one to come forward. A
    // name left behind by a crashed first instance is taken over.
    Role Claim(int timeout_ms = 2000);

signals:
    // A later start asked this (first) instance to come to the front.
    void RaiseRequested();

private:
    void OnConnection();

    const QString name_;
    QLocalServer* server_ = nullptr;
};

}  // namespace kestrel::flash::ui
