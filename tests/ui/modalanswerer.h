#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

// Answers the modal windows a test provokes: every few milliseconds it looks for the active
// modal widget, records what a message box said and presses its default button, or hands any
// other dialog to `onOtherDialog`.
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

    QList<Box> boxes;
    int otherDialogs = 0;

private:
    void Answer()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == m_lastAnswered)
            return;
        m_lastAnswered = modal;
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            QStringList buttons;
            for (const QAbstractButton *button : box->buttons())
                buttons << button->text();
            boxes.append({ box->text(), box->icon(), box->windowTitle(), buttons });
            QMetaObject::invokeMethod(
                box, [box] { box->done(QMessageBox::Ok); }, Qt::QueuedConnection);
            return;
        }
        ++otherDialogs;
        if (m_onOtherDialog)
            m_onOtherDialog(modal);
    }

    QTimer m_timer;
    QPointer<QWidget> m_lastAnswered;
    std::function<void(QWidget *)> m_onOtherDialog;
};
