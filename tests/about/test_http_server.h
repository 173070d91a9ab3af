#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>

namespace bp {

using namespace Qt::StringLiterals;

// A small HTTP/1.1 server on 127.0.0.1 that answers each request from a handler in the test
// and records what it was asked. One request per connection.
class TestHttpServer : public QObject
{
public:
    struct Request
    {
        QByteArray method;
        QByteArray path;
        // Names in lower case.
        QMap<QByteArray, QByteArray> headers;
    };
    struct Response
    {
        int status = 200;
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;
        // Sends the body one byte per interval instead of at once.
        int trickleMs = 0;
        // The length the head promises, when not the body's own: more makes a cut answer.
        qint64 contentLength = -1;
    };

    std::function<Response(const Request &)> handler;
    QList<Request> requests;

    TestHttpServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::accept);
        m_server.listen(QHostAddress::LocalHost);
    }

    QUrl url(const QString &path) const
    {
        return QUrl(u"http://127.0.0.1:%1%2"_s.arg(m_server.serverPort()).arg(path));
    }

    // An address where nothing listens: a port that was free a moment ago.
    static QUrl refusingUrl(const QString &path)
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const quint16 port = probe.serverPort();
        probe.close();
        return QUrl(u"http://127.0.0.1:%1%2"_s.arg(port).arg(path));
    }

    static Response redirect(const QByteArray &location)
    {
        Response response;
        response.status = 302;
        response.headers.append({"Location", location});
        return response;
    }

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        }
    }

    void read(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        m_buffers.remove(socket);
        Request request;
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.path = first.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                       lines[i].mid(colon + 1).trimmed());
        }
        requests.append(request);
        respond(socket, handler(request));
    }

    void respond(QTcpSocket *socket, const Response &response)
    {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
        head += "Content-Length: " +
                QByteArray::number(response.contentLength >= 0 ? response.contentLength
                                                               : response.body.size()) +
                "\r\n";
        head += "Connection: close\r\n";
        for (const auto &[name, value] : response.headers)
            head += name + ": " + value + "\r\n";
        head += "\r\n";
        socket->write(head);
        if (response.trickleMs == 0) {
            socket->write(response.body);
            socket->disconnectFromHost();
            return;
        }
        auto *timer = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        const QByteArray body = response.body;
        connect(timer, &QTimer::timeout, socket, [socket, timer, sent, body] {
            if (*sent >= body.size()) {
                timer->stop();
                socket->disconnectFromHost();
                return;
            }
            socket->write(body.mid((*sent)++, 1));
        });
        timer->start(response.trickleMs);
    }

    QTcpServer m_server;
    QMap<QTcpSocket *, QByteArray> m_buffers;
};

// A manifest whose version text is `version`.
inline QByteArray manifestBody(const QByteArray &version)
{
    return "<?xml version=\"1.0\"?>\n<Brindlepad><Program_Info><Program_Version>" + version +
           "</Program_Version></Program_Info></Brindlepad>\n";
}

} // namespace bp
