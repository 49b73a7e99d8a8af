#include "testhttpserver.h"

#include <QTcpSocket>

TTestHttpServer::TTestHttpServer()
{
    if (!m_server.listen(QHostAddress::LocalHost))
        qFatal("test web server cannot listen");
    m_port = m_server.serverPort();
    connect(&m_server, &QTcpServer::newConnection, this, &TTestHttpServer::Accept);
}

QString TTestHttpServer::hostAndPort() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

void TTestHttpServer::answer(int status, const QByteArray &body)
{
    m_status = status;
    m_body = body;
    if (status == kRefuse)
        m_server.close();
}

void TTestHttpServer::Accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            socket->setProperty("request", socket->property("request").toByteArray() + socket->readAll());
            const QByteArray request = socket->property("request").toByteArray();
            if (!request.contains("\r\n\r\n"))
                return;
            requests.append(request);
            if (m_status == kDrop) {
                socket->abort();
            } else if (m_status == kHold) {
                connect(socket, &QTcpSocket::disconnected, this, [this] { ++heldConnectionsClosedByClient; });
            } else {
                socket->write("HTTP/1.1 " + QByteArray::number(m_status) + " Status\r\nContent-Type: text/plain\r\n"
                    + "Content-Length: " + QByteArray::number(m_body.size()) + "\r\nConnection: close\r\n\r\n"
                    + m_body);
                socket->disconnectFromHost();
            }
        });
    }
}
