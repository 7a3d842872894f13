#pragma once

#include <QString>

class Database;

// The tables the site keeps, created or brought up to date when it starts.
namespace Schema {

inline constexpr int kVersion = 3;

// Creates or migrates the schema in one transaction; a database with tables to migrate is
// copied first (SQLite: VACUUM INTO beside the file). Refuses a database newer than this
// program. Empty on success, else why not.
QString prepare(Database &database);

} // namespace Schema
