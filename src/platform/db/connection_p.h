#pragma once
// The state behind a Connection, for the layer's files that work on it
// (the connection, its statement cache, transactions).
#include "internal.h"

#include <unordered_map>

namespace db {

struct Connection::Impl {
    std::vector<std::pair<QString, QString>> properties;
    detail::DatabaseHandle db;
    detail::DatabaseHandle master;
    QString serverPath;
    QString database;
    detail::Login login;
    int depth = 0; // open Transaction guards
    int savepointSeq = 0;
    struct Cached {
        detail::StatementHandle stmt;
        std::vector<detail::ParamRule> rules;
    };
    std::unordered_map<QString, Cached> cache; // idle prepared statements by text
    detail::SessionToken token;
};

namespace detail {

struct Access {
    static Connection::Impl &impl(Connection &c) { return *c.d; }
    static const Connection::Impl &impl(const Connection &c) { return *c.d; }
};

} // namespace detail
} // namespace db
