// Server administration tool: creates servers, keeps lock passwords and
// login passwords, on a server folder or on the PostgreSQL database a folder
// names. Exit codes: 0 done, 1 failure (message on stderr), 2 usage.
#include "app/startup.h"
#include "platform/db/db.h"
#include "platform/db/pg_server.h"

#include <QString>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include <termios.h>
#include <unistd.h>

namespace {

const char usage[] = R"usage(Usage: oruadmin <command> <server> [login]

Commands:
  create <server>            create a server with the database ORU and the login 'sa'
                             (sysadmin); asks for the password of 'sa'
  attach <server> <host> [port] [database]
                             make <server> name a PostgreSQL server's database
                             (port 5432, database oru); then create it there,
                             run as the PostgreSQL administrator (PGUSER)
  upgrade <server>           bring the server's database to this program's schema (a
                             PostgreSQL database only so, run as its administrator;
                             an embedded server does it itself when opened)
  exists <server>            exit 0 when the server exists, 1 when not
  logins <server>            list the server's logins
  password <server> <login>  set a login's password (the old one is not needed)
  lock-add <server>          add a lock password (at most 6 characters)
  lock-clear <server>        remove every lock password
  lock-count <server>        print how many lock passwords there are

<server> is what Server.txt holds: ".", "(local)" or "localhost" for the
default server, another name for a server beside it, or an absolute path.
Servers live in $ORU_DATA_HOME, else in ~/.local/share/oru.

On a server that names a PostgreSQL server (attach), create, upgrade,
logins, password and the lock commands log in to it as its administrator,
as libpq's environment names one (PGUSER, PGPASSWORD or ~/.pgpass); the
host, port and database are the folder's. Connections use TLS
(sslmode=require); a line sslrootcert=<file> in the folder's postgres.txt
has the server's certificate checked against that root (verify-full), and
only sslmode=disable there turns TLS off. A password goes only by
SCRAM-SHA-256 with channel binding (PGCHANNELBINDING may ease that for the
administrator). A login there is one of the server's roles; logins lists
the roles that are the program's.

Passwords are taken from the environment variable ORU_PASSWORD when it is
set, else asked for twice on the terminal without echo.
)usage";

int usageError(const char *why = nullptr)
{
    if (why)
        std::cerr << "oruadmin: " << why << "\n\n";
    std::cerr << usage;
    return 2;
}

// One line from the terminal with echo off (or from stdin when it is not a terminal).
std::string readHidden(const std::string &prompt)
{
    std::cerr << prompt << std::flush;
    termios saved {};
    const bool tty = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (tty) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    const bool got = bool(std::getline(std::cin, line));
    if (tty) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::cerr << '\n';
    }
    if (!got)
        throw db::Error(QStringLiteral("No password was given."));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

QString password(const char *what)
{
    if (const char *env = std::getenv("ORU_PASSWORD"))
        return QString::fromLocal8Bit(env);
    const std::string first = readHidden(std::string("New ") + what + ": ");
    const std::string second = readHidden(std::string("Repeat the ") + what + ": ");
    if (first != second)
        throw db::Error(QStringLiteral("The two passwords differ; nothing was changed."));
    return QString::fromLocal8Bit(first.c_str());
}

QString nonEmpty(const QString &pw)
{
    if (pw.isEmpty())
        throw db::Error(QStringLiteral("The password must not be empty."));
    return pw;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2
        && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h"
            || std::string(argv[1]) == "help")) {
        std::cout << usage;
        return 0;
    }
    if (argc < 3)
        return usageError(argc < 2 ? nullptr : "a server name is needed");
    const std::string command = argv[1];
    const QString server = QString::fromLocal8Bit(argv[2]);
    const int expected = command == "password" ? 4 : 3;
    const bool attachArgs = command == "attach" && argc >= 4 && argc <= 6;
    if (argc != expected && !attachArgs) {
        const bool known = command == "create" || command == "attach" || command == "exists"
            || command == "logins" || command == "password" || command == "lock-add" || command == "upgrade"
            || command == "lock-clear" || command == "lock-count";
        return usageError(known ? "wrong number of arguments" : "unknown command");
    }
    QTextStream out(stdout);
    try {
        app::registerStorage();
        if (command == "attach") {
            bool ok = true;
            const int port = argc >= 5 ? QString::fromLocal8Bit(argv[4]).toInt(&ok) : 5432;
            if (!ok)
                return usageError("the port is a number");
            const QString database = argc == 6 ? QString::fromLocal8Bit(argv[5]) : QStringLiteral("oru");
            db::server::attach(server, QString::fromLocal8Bit(argv[3]), port, database);
            // Every computer attaches; only the first, on the server, creates.
            out << "Server '" << server << "' names the PostgreSQL database " << database << " at " << argv[3]
                << ':' << port << ". If that database is new, create it once with: oruadmin create " << server
                << Qt::endl;
        } else if (command == "create") {
            if (db::server::exists(server) && !db::server::attached(server))
                throw db::Error(QStringLiteral("Server '%1' already exists.").arg(server));
            db::server::create(server, nonEmpty(password("password of the login 'sa'")));
            out << "Created server '" << server << "' in " << db::server::resolve(server) << Qt::endl;
        } else if (command == "upgrade") {
            db::server::upgrade(server);
            out << "Server '" << server << "' has the schema of this program." << Qt::endl;
        } else if (command == "exists") {
            const QString path = db::server::resolve(server);
            if (!db::server::exists(server)) {
                std::cerr << "Server '" << server.toStdString() << "' does not exist"
                          << (path.isEmpty() ? std::string() : " (looked in " + path.toStdString() + ")")
                          << ".\n";
                return 1;
            }
            out << path << Qt::endl;
        } else if (command == "logins") {
            for (const db::server::LoginInfo &l : db::server::logins(server))
                out << l.name << '\t' << l.defaultDatabase << (l.sysadmin ? "\tsysadmin" : "") << Qt::endl;
        } else if (command == "password") {
            const QString login = QString::fromLocal8Bit(argv[3]);
            if (!db::server::exists(server))
                throw db::Error(QStringLiteral("Server '%1' does not exist or access denied.").arg(server));
            db::server::setLoginPassword(server, login, password("password"));
            out << "Password of '" << login << "' changed." << Qt::endl;
        } else if (command == "lock-add") {
            shell::addLockPassword(server, nonEmpty(password("lock password")));
            out << "Lock password added." << Qt::endl;
        } else if (command == "lock-clear") {
            const int n = shell::removeLockPasswords(server);
            out << "Removed " << n << " lock password(s)." << Qt::endl;
        } else if (command == "lock-count") {
            out << shell::lockPasswordCount(server) << Qt::endl;
        } else {
            return usageError("unknown command");
        }
    } catch (const std::exception &e) {
        std::cerr << "oruadmin: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
