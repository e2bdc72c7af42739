#include "qt_seams.h"

#include <QCoreApplication>
#include <QTimer>
#include <utility>

namespace kestrel::ui {

client::ClientSeams QtSeams() {
    client::ClientSeams seams = client::ClientSeams::System();
    seams.runLater = [](int milliseconds, std::function<void()> task) {
        // Context object: a timer still pending when the application object
        // goes is dropped with it.
        QTimer::singleShot(milliseconds, QCoreApplication::instance(), std::move(task));
    };
    return seams;
}

}  // namespace kestrel::ui
