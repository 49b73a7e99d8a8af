#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

// Answers the modal windows a test provokes, in order: every few milliseconds it looks for the
// active modal widget. A message box gets the queued button (OK when nothing is queued; its first
// button, as a person's Enter would, when it has not that one) and its text, icon, title and
// buttons are kept. A file dialog gets the queued path; any other dialog goes to `onOtherDialog`,
// and without one an input dialog accepts the value it offers.
class ModalAnswerer : public QObject
{
public:
    struct Box {
        QString text;
        QMessageBox::Icon icon;
        QString title;
        QStringList buttons;
    };

    explicit ModalAnswerer(std::function<void(QWidget *)> onOtherDialog = {})
        : m_onOtherDialog(std::move(onOtherDialog))
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::Answer);
        m_timer.start();
    }

    void Queue(QMessageBox::StandardButton button) { m_replies << Reply { button, {} }; }
    void Queue(const QString &path) { m_replies << Reply { QMessageBox::NoButton, path }; }

    QStringList texts() const
    {
        QStringList result;
        for (const Box &box : boxes)
            result << box.text;
        return result;
    }
    QList<QMessageBox::Icon> icons() const
    {
        QList<QMessageBox::Icon> result;
        for (const Box &box : boxes)
            result << box.icon;
        return result;
    }

    QList<Box> boxes;
    // Of every modal window answered, message boxes and others.
    QStringList titles;
    int otherDialogs = 0;

private:
    struct Reply {
        QMessageBox::StandardButton button;
        QString path;
    };

    void Answer()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || modal == m_lastAnswered)
            return;
        m_lastAnswered = modal;
        titles << modal->windowTitle();
        const Reply reply = m_replies.isEmpty() ? Reply { QMessageBox::Ok, {} } : m_replies.takeFirst();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            QStringList buttons;
            for (const QAbstractButton *button : box->buttons())
                buttons << button->text();
            boxes.append({ box->text(), box->icon(), box->windowTitle(), buttons });
            QAbstractButton *pressed = box->button(reply.button);
            (pressed ? pressed : box->buttons().first())->click();
            return;
        }
        ++otherDialogs;
        if (auto *files = qobject_cast<QFileDialog *>(modal); files && !reply.path.isNull()) {
            // selectFile leaves the name field alone while it has the keyboard focus.
            if (QWidget *focused = files->focusWidget())
                focused->clearFocus();
            files->selectFile(reply.path);
            static_cast<QDialog *>(files)->accept();
        } else if (m_onOtherDialog) {
            m_onOtherDialog(modal);
        } else if (auto *input = qobject_cast<QInputDialog *>(modal)) {
            input->accept();
        }
    }

    QTimer m_timer;
    QPointer<QWidget> m_lastAnswered;
    QList<Reply> m_replies;
    std::function<void(QWidget *)> m_onOtherDialog;
};
