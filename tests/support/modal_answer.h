#pragma once

// Answers a modal dialog once it shows, so that a test can call the code that opens it and
// never block: set one up, then open the dialog. The answer runs inside the dialog's own event
// loop; finished() tells the test that it ran, and so that the dialog really showed.

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>
#include <utility>

template <typename Dialog = QDialog> class ModalAnswer
{
public:
    explicit ModalAnswer(std::function<void(Dialog&)> answer) : answer_(std::move(answer))
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            timer_.stop();
            answer_(*dialog);
            finished_ = true;
        });
        timer_.start();
    }

    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;

    [[nodiscard]] bool finished() const { return finished_; }

private:
    std::function<void(Dialog&)> answer_;
    QTimer timer_;
    bool finished_ = false;
};
