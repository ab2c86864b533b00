// The Foundation stand-in: per-thread autorelease pools, values, errors, the calendar and the names of
// keys and domains.
#include "FoundationStandIn.h"

#include "FoundationStandInSupport.h"

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

using foundationstandin::Autoreleased;

namespace
{
thread_local NSAutoreleasePool* sInnermostPool = nullptr;

// Plain storage, so that it needs nothing done when the thread ends.
constexpr unsigned cKeptPools = 8;
struct alignas(std::max_align_t) PoolRoom
{
    unsigned char fBytes[256];
};
thread_local PoolRoom tPoolRooms[cKeptPools];
thread_local unsigned tPoolRoomsInUse = 0;
} // namespace

void* NSAutoreleasePool::operator new(std::size_t size)
{
    static_assert(sizeof(NSAutoreleasePool) <= sizeof(PoolRoom), "a pool fits its room");
    for (unsigned i = 0; i < cKeptPools && size <= sizeof(PoolRoom); ++i)
    {
        if (!(tPoolRoomsInUse & 1u << i))
        {
            tPoolRoomsInUse |= 1u << i;
            return &tPoolRooms[i];
        }
    }
    return ::operator new(size);
}

void NSAutoreleasePool::operator delete(void* pool)
{
    PoolRoom* const room = static_cast<PoolRoom*>(pool);
    if (room >= tPoolRooms && room < tPoolRooms + cKeptPools)
    {
        tPoolRoomsInUse &= ~(1u << (room - tPoolRooms));
        return;
    }
    ::operator delete(pool);
}

NSAutoreleasePool::NSAutoreleasePool() : fOuter(sInnermostPool)
{
    sInnermostPool = this;
}

void NSAutoreleasePool::drain()
{
    while (sInnermostPool && sInnermostPool != this)
        sInnermostPool->drain();
    for (std::size_t i = 0; i < fFewCount; ++i)
        CFRelease(fFew[i]);
    for (CFTypeRef object : fObjects)
        CFRelease(object);
    sInnermostPool = fOuter;
    delete this;
}

CFTypeRef CFAutorelease(CFTypeRef object)
{
    if (object && sInnermostPool)
    {
        NSAutoreleasePool* const pool = sInnermostPool;
        if (pool->fFewCount < NSAutoreleasePool::cFew)
            pool->fFew[pool->fFewCount++] = object;
        else
            pool->fObjects.push_back(object);
    }
    return object;
}

// --- names ---

CFStringRef const NSCocoaErrorDomain = CFSTR("NSCocoaErrorDomain");
CFStringRef const NSPOSIXErrorDomain = CFSTR("NSPOSIXErrorDomain");
CFStringRef const NSLocalizedDescriptionKey = CFSTR("NSLocalizedDescription");
CFStringRef const NSCalendarIdentifierGregorian = CFSTR("gregorian");

CFStringRef const NSURLIsDirectoryKey = CFSTR("NSURLIsDirectoryKey");
CFStringRef const NSURLIsRegularFileKey = CFSTR("NSURLIsRegularFileKey");
CFStringRef const NSURLIsSymbolicLinkKey = CFSTR("NSURLIsSymbolicLinkKey");
CFStringRef const NSURLIsAliasFileKey = CFSTR("NSURLIsAliasFileKey");
CFStringRef const NSURLIsHiddenKey = CFSTR("NSURLIsHiddenKey");
CFStringRef const NSURLIsUserImmutableKey = CFSTR("NSURLIsUserImmutableKey");
CFStringRef const NSURLIsReadableKey = CFSTR("NSURLIsReadableKey");
CFStringRef const NSURLIsWritableKey = CFSTR("NSURLIsWritableKey");
CFStringRef const NSURLIsExecutableKey = CFSTR("NSURLIsExecutableKey");
CFStringRef const NSURLIsPackageKey = CFSTR("NSURLIsPackageKey");
CFStringRef const NSURLCreationDateKey = CFSTR("NSURLCreationDateKey");
CFStringRef const NSURLContentModificationDateKey = CFSTR("NSURLContentModificationDateKey");
CFStringRef const NSURLLabelNumberKey = CFSTR("NSURLLabelNumberKey");
CFStringRef const NSURLLabelColorKey = CFSTR("NSURLLabelColorKey");
CFStringRef const NSURLCustomIconKey = CFSTR("NSURLCustomIconKey");
CFStringRef const NSURLFileResourceIdentifierKey = CFSTR("NSURLFileResourceIdentifierKey");
CFStringRef const NSURLVolumeIdentifierKey = CFSTR("NSURLVolumeIdentifierKey");
CFStringRef const NSURLVolumeNameKey = CFSTR("NSURLVolumeNameKey");
CFStringRef const NSURLVolumeURLKey = CFSTR("NSURLVolumeURLKey");
CFStringRef const NSURLVolumeIsLocalKey = CFSTR("NSURLVolumeIsLocalKey");
CFStringRef const NSURLVolumeIsInternalKey = CFSTR("NSURLVolumeIsInternalKey");
CFStringRef const NSURLVolumeIsRemovableKey = CFSTR("NSURLVolumeIsRemovableKey");
CFStringRef const NSURLVolumeIsReadOnlyKey = CFSTR("NSURLVolumeIsReadOnlyKey");
CFStringRef const NSURLVolumeURLForRemountingKey = CFSTR("NSURLVolumeURLForRemountingKey");
CFStringRef const NSURLPathKey = CFSTR("_NSURLPathKey");

CFStringRef const NSFileType = CFSTR("NSFileType");
CFStringRef const NSFileTypeRegular = CFSTR("NSFileTypeRegular");
CFStringRef const NSFileTypeDirectory = CFSTR("NSFileTypeDirectory");
CFStringRef const NSFileTypeSymbolicLink = CFSTR("NSFileTypeSymbolicLink");
CFStringRef const NSFileTypeUnknown = CFSTR("NSFileTypeUnknown");
CFStringRef const NSFileSize = CFSTR("NSFileSize");
CFStringRef const NSFileModificationDate = CFSTR("NSFileModificationDate");
CFStringRef const NSFileCreationDate = CFSTR("NSFileCreationDate");
CFStringRef const NSFilePosixPermissions = CFSTR("NSFilePosixPermissions");
CFStringRef const NSFileOwnerAccountID = CFSTR("NSFileOwnerAccountID");
CFStringRef const NSFileGroupOwnerAccountID = CFSTR("NSFileGroupOwnerAccountID");
CFStringRef const NSFileHFSCreatorCode = CFSTR("NSFileHFSCreatorCode");
CFStringRef const NSFileHFSTypeCode = CFSTR("NSFileHFSTypeCode");
CFStringRef const NSFileImmutable = CFSTR("NSFileImmutable");
CFStringRef const NSFileSystemNumber = CFSTR("NSFileSystemNumber");
CFStringRef const NSFileSystemFileNumber = CFSTR("NSFileSystemFileNumber");

// --- values ---

NSNumber* NSNumber::numberWithBool(bool value)
{
    // As on the platform, the two truth values are shared objects that live as long as the process.
    static NSNumber* const sFalse = new NSNumber(0);
    static NSNumber* const sTrue = new NSNumber(1);
    return value ? sTrue : sFalse;
}

bool NSNumber::IsSharedTruth(CFTypeRef object)
{
    return object && (object == numberWithBool(false) || object == numberWithBool(true));
}

NSNumber* NSNumber::numberWithInt(int value)
{
    return Autoreleased(new NSNumber(value));
}

NSNumber* NSNumber::numberWithUnsignedInt(unsigned int value)
{
    return Autoreleased(new NSNumber(value));
}

NSNumber* NSNumber::numberWithLongLong(long long value)
{
    return Autoreleased(new NSNumber(value));
}

bool NSNumber::IsEqualTo(CFStandInObject const& other) const
{
    NSNumber const* number = dynamic_cast<NSNumber const*>(&other);
    return number && number->fValue == fValue;
}

NSDate* NSDate::date()
{
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return dateWithTimeIntervalSince1970(static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9);
}

NSDate* NSDate::dateWithTimeIntervalSince1970(NSTimeInterval seconds)
{
    return Autoreleased(new NSDate(seconds));
}

bool NSDate::IsEqualTo(CFStandInObject const& other) const
{
    NSDate const* date = dynamic_cast<NSDate const*>(&other);
    return date && date->fSeconds == fSeconds;
}

NSDictionary* NSDictionary::dictionaryWithObjects(CFTypeRef const* objects, CFStringRef const* keys,
                                                  NSUInteger count)
{
    NSDictionary* dictionary = new NSDictionary;
    for (NSUInteger i = 0; i < count; ++i)
    {
        if (!objects[i] || !keys[i])
            continue;
        CFTypeRef& slot = dictionary->fValues[CFStringStandInGetUTF8(keys[i])];
        CFTypeRef const previous = slot;
        slot = CFRetain(objects[i]);
        if (previous)
            CFRelease(previous);
    }
    return Autoreleased(dictionary);
}

CFTypeRef NSDictionary::objectForKey(CFStringRef key) const
{
    if (!key)
        return nullptr;
    auto const found = fValues.find(CFStringStandInGetUTF8(key));
    return found == fValues.end() ? nullptr : found->second;
}

CFArrayRef NSDictionary::allKeys() const
{
    std::vector<CFTypeRef> keys;
    for (auto const& entry : fValues)
        keys.push_back(foundationstandin::MakeString(entry.first));
    CFArrayRef const array = CFArrayCreate(kCFAllocatorDefault, keys.data(),
                                           static_cast<CFIndex>(keys.size()), &kCFTypeArrayCallBacks);
    return Autoreleased(array);
}

NSMutableDictionary* NSMutableDictionary::dictionary()
{
    return Autoreleased(new NSMutableDictionary);
}

void NSMutableDictionary::setObject(CFTypeRef object, CFStringRef key)
{
    if (!object || !key)
        return;
    CFTypeRef& slot = fValues[CFStringStandInGetUTF8(key)];
    CFTypeRef const previous = slot;
    slot = CFRetain(object);
    if (previous)
        CFRelease(previous);
}

void NSMutableDictionary::removeObjectForKey(CFStringRef key)
{
    if (!key)
        return;
    auto const found = fValues.find(CFStringStandInGetUTF8(key));
    if (found == fValues.end())
        return;
    CFTypeRef const previous = found->second;
    fValues.erase(found);
    CFRelease(previous);
}

NSDictionary::~NSDictionary()
{
    for (auto const& entry : fValues)
        CFRelease(entry.second);
}

NSError* NSError::errorWithDomain(CFStringRef domain, NSInteger code, NSDictionary* userInfo)
{
    NSError* error = new NSError;
    error->fDomain = domain ? static_cast<CFStringRef>(CFRetain(domain)) : nullptr;
    error->fCode = code;
    error->fUserInfo = userInfo ? static_cast<NSDictionary*>(const_cast<void*>(CFRetain(userInfo))) : nullptr;
    return Autoreleased(error);
}

CFStringRef NSError::localizedDescription() const
{
    if (fUserInfo)
    {
        if (CFStringRef const text =
                static_cast<CFStringRef>(fUserInfo->objectForKey(NSLocalizedDescriptionKey)))
            return text;
    }
    return foundationstandin::MakeString("The operation couldn\xE2\x80\x99t be completed. (" +
                                         CFStringStandInGetUTF8(fDomain) + " error " + std::to_string(fCode) +
                                         ".)");
}

NSError::~NSError()
{
    if (fDomain)
        CFRelease(fDomain);
    if (fUserInfo)
        CFRelease(fUserInfo);
}

// --- the calendar ---

NSTimeZone* NSTimeZone::timeZoneWithName(CFStringRef name)
{
    std::string const text = CFStringStandInGetUTF8(name);
    if (text != "UTC" && text != "GMT")
        return nullptr;
    return Autoreleased(new NSTimeZone(true));
}

NSTimeZone* NSTimeZone::defaultTimeZone()
{
    return Autoreleased(new NSTimeZone(false));
}

NSCalendar* NSCalendar::calendarWithIdentifier(CFStringRef identifier)
{
    if (!identifier || !CFEqual(identifier, NSCalendarIdentifierGregorian))
        return nullptr;
    return Autoreleased(new NSCalendar);
}

NSCalendar::NSCalendar() : fZone(NSTimeZone::defaultTimeZone())
{
    CFRetain(fZone);
}

NSCalendar::~NSCalendar()
{
    CFRelease(fZone);
}

void NSCalendar::setTimeZone(NSTimeZone* zone)
{
    if (!zone)
        return;
    CFRetain(zone);
    CFRelease(fZone);
    fZone = zone;
}

NSDateComponents* NSCalendar::components(NSCalendarUnit units, NSDate* date) const
{
    NSDateComponents* components = Autoreleased(new NSDateComponents);
    if (!date)
        return components;
    std::time_t const instant = static_cast<std::time_t>(std::floor(date->timeIntervalSince1970()));
    std::tm fields;
    if (!(fZone->IsUTC() ? gmtime_r(&instant, &fields) : localtime_r(&instant, &fields)))
        return components;
    if (units & NSCalendarUnitYear)
        components->setYear(fields.tm_year + 1900L);
    if (units & NSCalendarUnitMonth)
        components->setMonth(fields.tm_mon + 1);
    if (units & NSCalendarUnitDay)
        components->setDay(fields.tm_mday);
    if (units & NSCalendarUnitHour)
        components->setHour(fields.tm_hour);
    if (units & NSCalendarUnitMinute)
        components->setMinute(fields.tm_min);
    if (units & NSCalendarUnitSecond)
        components->setSecond(fields.tm_sec);
    return components;
}

NSDate* NSCalendar::dateFromComponents(NSDateComponents* components) const
{
    if (!components)
        return nullptr;
    auto field = [](NSInteger value, NSInteger undefined, NSInteger offset, int& out)
    {
        NSInteger const chosen = (value == NSDateComponentUndefined ? undefined : value) - offset;
        if (chosen < -0x7fffffffL || chosen > 0x7fffffffL)
            return false;
        out = static_cast<int>(chosen);
        return true;
    };
    std::tm fields = {};
    fields.tm_isdst = -1;
    if (!field(components->year(), 1, 1900, fields.tm_year) ||
        !field(components->month(), 1, 1, fields.tm_mon) || !field(components->day(), 1, 0, fields.tm_mday) ||
        !field(components->hour(), 0, 0, fields.tm_hour) ||
        !field(components->minute(), 0, 0, fields.tm_min) ||
        !field(components->second(), 0, 0, fields.tm_sec))
        return nullptr;
    errno = 0;
    std::time_t const instant = fZone->IsUTC() ? timegm(&fields) : std::mktime(&fields);
    if (instant == static_cast<std::time_t>(-1) && errno == EOVERFLOW)
        return nullptr;
    return NSDate::dateWithTimeIntervalSince1970(static_cast<NSTimeInterval>(instant));
}

// --- special folders ---

CFStringRef NSHomeDirectory()
{
    return foundationstandin::MakeString(foundationstandin::HomeDirectory());
}

CFStringRef NSTemporaryDirectory()
{
    return foundationstandin::MakeString(foundationstandin::TemporaryDirectory());
}
