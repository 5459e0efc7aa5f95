#include "support/crs_names.hpp"

#include <cstdio>

#ifdef CHART14_WITH_PROJ
#include <proj.h>
#endif

namespace readdata14::chart14 {

std::optional<std::string> CrsName(const std::string& crs) {
    if (crs.rfind("urn:ogc:def:crs:", 0) == 0) return crs;
    const std::size_t colon = crs.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == crs.size()) return std::nullopt;
    for (const char c : crs) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == ':' || c == '.' || c == '_' || c == '-';
        if (!plain) return std::nullopt;
    }
    return "urn:ogc:def:crs:" + crs.substr(0, colon) + "::" + crs.substr(colon + 1);
}

#ifdef CHART14_WITH_PROJ

namespace {

// A context of PROJ's own for one question, silent: its log would go to
// standard error.
class ProjContext {
public:
    ProjContext() : context_(proj_context_create()) {
        if (context_ != nullptr) proj_log_func(context_, nullptr, [](void*, int, const char*) {});
    }
    ~ProjContext() {
        if (context_ != nullptr) proj_context_destroy(context_);
    }
    ProjContext(const ProjContext&) = delete;
    ProjContext& operator=(const ProjContext&) = delete;
    PJ_CONTEXT* get() const { return context_; }

private:
    PJ_CONTEXT* context_;
};

// Whether PROJ makes a coordinate system of the name.
bool IsKnownCrs(PJ_CONTEXT* context, const std::string& crs) {
    PJ* made = nullptr;
    if (crs.rfind("urn:", 0) == 0) {
        made = proj_create(context, crs.c_str());
    } else {
        const std::size_t colon = crs.find(':');
        const std::string authority = crs.substr(0, colon), code = crs.substr(colon + 1);
        made = proj_create_from_database(context, authority.c_str(), code.c_str(), PJ_CATEGORY_CRS, 0, nullptr);
    }
    const bool known = made != nullptr && proj_is_crs(made) != 0;
    if (made != nullptr) proj_destroy(made);
    return known;
}

}  // namespace

std::string CheckCrs(const std::string& crs) {
    const ProjContext context;
    if (context.get() == nullptr || proj_context_get_database_path(context.get()) == nullptr) {
        std::fputs("chart14: --crs not checked: PROJ's database (proj.db) is not installed\n", stderr);
        return {};
    }
    if (IsKnownCrs(context.get(), crs)) return {};
    return crs + " is not a coordinate system in PROJ's database";
}

std::string CrsCheckSummary() {
    const PJ_INFO info = proj_info();
    return std::string("checked with PROJ ") + info.version;
}

#else

std::string CheckCrs(const std::string&) { return {}; }

std::string CrsCheckSummary() { return "not checked"; }

#endif

}  // namespace readdata14::chart14
