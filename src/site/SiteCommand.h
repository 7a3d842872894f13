#pragma once

#include <QStringList>

// The program's command line: serve the site, or add an account to its database.
namespace SiteCommand {

// Runs the command `arguments` (the program's own, first one included); the exit status.
int run(const QStringList &arguments);

} // namespace SiteCommand
