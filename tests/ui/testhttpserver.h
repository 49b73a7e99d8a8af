#pragma once

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

// A one-file web server on 127.0.0.1 that answers every request in the way the test asks, with
// raw HTTP written by hand so that malformed and dropped answers can be served too.
class TTestHttpServer : public QObject
{
    Q_OBJECT
public:
    enum class Reply { Answer, Drop, Hold };

    TTestHttpServer();

    QString hostAndPort() const;
    void answer(int status, const QByteArray &body);
    void dropEveryConnection() { m_reply = Reply::Drop; }
    void holdEveryConnection() { m_reply = Reply::Hold; }

    QList<QByteArray> requests;
    // Connections held open that the client has since closed.
    int heldConnectionsClosedByClient = 0;

private:
    void Accept();
    void Read(QTcpSocket *socket);

    QTcpServer m_server;
    Reply m_reply = Reply::Answer;
    int m_status = 200;
    QByteArray m_body;
};
