// The named-image table: a string-keyed hash table holding owned images.
#include "QV_NamedImages.h"

#include <tcl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "QV_Error.h"

namespace {

Tcl_HashTable* Table()
{
    static Tcl_HashTable table;
    static bool ready = false;
    if (!ready) {
        Tcl_InitHashTable(&table, TCL_STRING_KEYS);
        ready = true;
    }
    return &table;
}

}  // namespace

QV_DetImage* QV_CreateNamedImage(const char* name, int width, int height)
{
    int isNew = 0;
    Tcl_HashEntry* entry = Tcl_CreateHashEntry(Table(), name, &isNew);
    if (!isNew) {
        std::string msg = std::string("Create image: duplicate name '") + name + "'.\n";
        QV_PrintError(msg.c_str());
        std::exit(1);
    }
    QV_DetImage* image = new QV_DetImage(width, height, 0);
    Tcl_SetHashValue(entry, image);
    return image;
}

QV_DetImage* QV_FindNamedImage(const char* name)
{
    Tcl_HashEntry* entry = Tcl_FindHashEntry(Table(), name);
    return entry ? static_cast<QV_DetImage*>(Tcl_GetHashValue(entry)) : nullptr;
}

bool QV_DeleteNamedImage(const char* name)
{
    Tcl_HashEntry* entry = Tcl_FindHashEntry(Table(), name);
    if (!entry) return false;
    delete static_cast<QV_DetImage*>(Tcl_GetHashValue(entry));
    Tcl_DeleteHashEntry(entry);
    return true;
}
