#include "testhttpserver.h"

#include <QHostAddress>

TTestHttpServer::TTestHttpServer()
{
    if (!m_server.listen(QHostAddress::LocalHost))
        qFatal("test web server cannot listen");
    connect(&m_server, &QTcpServer::newConnection, this, &TTestHttpServer::Accept);
}

QString TTestHttpServer::hostAndPort() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }

void TTestHttpServer::answer(int status, const QByteArray &body)
{
    m_reply = Reply::Answer;
    m_status = status;
    m_body = body;
}

void TTestHttpServer::Accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto *buffer = new QByteArray;
        connect(socket, &QObject::destroyed, [buffer] { delete buffer; });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            if (buffer->contains("\r\n\r\n")) {
                requests.append(*buffer);
                buffer->clear();
                Read(socket);
            }
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void TTestHttpServer::Read(QTcpSocket *socket)
{
    switch (m_reply) {
    case Reply::Drop:
        socket->abort();
        return;
    case Reply::Hold:
        connect(socket, &QTcpSocket::disconnected, this, [this] { ++heldConnectionsClosedByClient; });
        return;
    case Reply::Answer:
        break;
    }
    QByteArray response = "HTTP/1.1 " + QByteArray::number(m_status) + " Status\r\n"
        + "Content-Type: text/plain\r\nContent-Length: " + QByteArray::number(m_body.size())
        + "\r\nConnection: close\r\n\r\n" + m_body;
    socket->write(response);
    socket->disconnectFromHost();
}
