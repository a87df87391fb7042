#include "projlibrary.h"

#include <QCoreApplication>
#include <dlfcn.h>
#include <mutex>
#include <proj.h>

namespace {

struct Library {
    void* handle = nullptr;
    QString error;
};

const Library& library()
{
    static Library loaded;
    static std::once_flag once;
    std::call_once(once, []() {
        loaded.handle = ::dlopen(TREVALON_PROJ_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (!loaded.handle)
            loaded.error = QCoreApplication::translate("ProjLibrary", "the PROJ library could not be loaded (%1)")
                               .arg(QString::fromLocal8Bit(::dlerror()));
    });
    return loaded;
}

// The library's own function of that name, or null without the library.
template <typename Function>
Function resolved(const char* name)
{
    const Library& l = library();
    return l.handle ? reinterpret_cast<Function>(::dlsym(l.handle, name)) : nullptr;
}

template <typename T>
T none()
{
    return T();
}

}  // namespace

bool projLibraryLoaded(QString* error)
{
    if (error)
        *error = library().error;
    return library().handle != nullptr;
}

// Each function PROJ's header declares and the coordinate code calls,
// forwarded; without the library it returns a value-initialised result.
#define TREVALON_PROJ_FORWARD(Result, name, parameters, arguments)                          \
    extern "C" Result name parameters                                                       \
    {                                                                                       \
        static const auto real = resolved<decltype(&::name)>(#name);                        \
        return real ? real arguments : none<Result>();                                      \
    }

TREVALON_PROJ_FORWARD(const char*, proj_as_proj_string,
                      (PJ_CONTEXT * ctx, const PJ* obj, PJ_PROJ_STRING_TYPE type, const char* const* options),
                      (ctx, obj, type, options))
TREVALON_PROJ_FORWARD(PJ_CONTEXT*, proj_context_create, (void), ())
TREVALON_PROJ_FORWARD(PJ_CONTEXT*, proj_context_destroy, (PJ_CONTEXT * ctx), (ctx))
TREVALON_PROJ_FORWARD(int, proj_context_errno, (PJ_CONTEXT * ctx), (ctx))
TREVALON_PROJ_FORWARD(const char*, proj_context_errno_string, (PJ_CONTEXT * ctx, int err), (ctx, err))
TREVALON_PROJ_FORWARD(int, proj_context_set_enable_network, (PJ_CONTEXT * ctx, int enabled), (ctx, enabled))
TREVALON_PROJ_FORWARD(PJ_COORD, proj_coord, (double x, double y, double z, double t), (x, y, z, t))
TREVALON_PROJ_FORWARD(PJ*, proj_create, (PJ_CONTEXT * ctx, const char* definition), (ctx, definition))
TREVALON_PROJ_FORWARD(PJ*, proj_create_crs_to_crs_from_pj,
                      (PJ_CONTEXT * ctx, const PJ* source_crs, const PJ* target_crs, PJ_AREA* area,
                       const char* const* options),
                      (ctx, source_crs, target_crs, area, options))
TREVALON_PROJ_FORWARD(PJ*, proj_create_from_database,
                      (PJ_CONTEXT * ctx, const char* auth_name, const char* code, PJ_CATEGORY category,
                       int usePROJAlternativeGridNames, const char* const* options),
                      (ctx, auth_name, code, category, usePROJAlternativeGridNames, options))
TREVALON_PROJ_FORWARD(PJ*, proj_crs_get_geodetic_crs, (PJ_CONTEXT * ctx, const PJ* crs), (ctx, crs))
TREVALON_PROJ_FORWARD(PJ*, proj_crs_get_sub_crs, (PJ_CONTEXT * ctx, const PJ* crs, int index), (ctx, crs, index))
TREVALON_PROJ_FORWARD(int, proj_degree_input, (PJ * P, enum PJ_DIRECTION dir), (P, dir))
TREVALON_PROJ_FORWARD(int, proj_degree_output, (PJ * P, enum PJ_DIRECTION dir), (P, dir))
TREVALON_PROJ_FORWARD(PJ*, proj_destroy, (PJ * P), (P))
TREVALON_PROJ_FORWARD(PJ*, proj_get_source_crs, (PJ_CONTEXT * ctx, const PJ* obj), (ctx, obj))
TREVALON_PROJ_FORWARD(PJ_TYPE, proj_get_type, (const PJ* obj), (obj))
TREVALON_PROJ_FORWARD(int, proj_is_crs, (const PJ* obj), (obj))
TREVALON_PROJ_FORWARD(PJ_LOG_LEVEL, proj_log_level, (PJ_CONTEXT * ctx, PJ_LOG_LEVEL log_level), (ctx, log_level))
TREVALON_PROJ_FORWARD(PJ*, proj_normalize_for_visualization, (PJ_CONTEXT * ctx, const PJ* obj), (ctx, obj))
TREVALON_PROJ_FORWARD(PJ_COORD, proj_trans, (PJ * P, PJ_DIRECTION direction, PJ_COORD coord), (P, direction, coord))

// Without a return value.
extern "C" void proj_context_use_proj4_init_rules(PJ_CONTEXT* ctx, int enable)
{
    static const auto real = resolved<decltype(&::proj_context_use_proj4_init_rules)>("proj_context_use_proj4_init_rules");
    if (real)
        real(ctx, enable);
}
