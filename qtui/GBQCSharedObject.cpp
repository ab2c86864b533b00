// The users of a shared object, counted in its dynamic property.
#include "GBQCSharedObject.h"

#include <QObject>
#include <QVariant>

char const* const GBQCSharedObject::cRefCountProperty = "FICL:Zolvane_GBQCSharedObject_RefCount";

bool GBQCSharedObject::IsShared(QObject const* object)
{
    return GetRefCount(object) != 0;
}

int GBQCSharedObject::GetRefCount(QObject const* object)
{
    if (!object)
        return 0;
    bool numeric = false;
    int const count = object->property(cRefCountProperty).toInt(&numeric);
    return numeric ? count : 0;
}

void GBQCSharedObject::Acquire(QObject* object, unsigned count)
{
    if (!object)
        return;
    object->setProperty(cRefCountProperty, QVariant(static_cast<unsigned>(GetRefCount(object)) + count));
}

void GBQCSharedObject::Release(QObject* object, unsigned count)
{
    if (!object)
        return;
    unsigned const users = static_cast<unsigned>(GetRefCount(object));
    if (users > count)
        object->setProperty(cRefCountProperty, QVariant(users - count));
    else
        delete object;
}
