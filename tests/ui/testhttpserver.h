#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>

// A web server on 127.0.0.1 that answers every request as the test asks, in raw HTTP written by
// hand so that dropped and never-ending answers can be served too.
class TTestHttpServer : public QObject
{
    Q_OBJECT
public:
    // Pseudo statuses: close the connection unanswered, keep it open unanswered, stop listening.
    static constexpr int kDrop = -1;
    static constexpr int kHold = -2;
    static constexpr int kRefuse = -3;

    TTestHttpServer();

    QString hostAndPort() const;
    void answer(int status, const QByteArray &body);

    QList<QByteArray> requests;
    int heldConnectionsClosedByClient = 0;

private:
    void Accept();

    QTcpServer m_server;
    quint16 m_port = 0;
    int m_status = 200;
    QByteArray m_body;
};
