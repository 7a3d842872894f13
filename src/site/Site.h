#pragma once

#include "site/HttpMessage.h"
#include "site/SiteContext.h"

// The site's pages by path, with the headers every answer carries.
class Site final {
public:
    explicit Site(SiteContext context) : m_context(std::move(context)) {}

    // Called from the server's threads at once; each thread uses its own connection.
    HttpResponse handle(const HttpRequest &request);

private:
    HttpResponse route(const HttpRequest &request);

    SiteContext m_context;
};
