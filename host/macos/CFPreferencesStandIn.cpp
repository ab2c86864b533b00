// The CoreFoundation preferences stand-in: an in-memory store of retained values per domain.
#include "CFPreferencesStandIn.h"

#include <clocale>
#include <map>
#include <mutex>
#include <string>
#include <tuple>

#include "CFArrayStandIn.h"

CFStringRef const kCFPreferencesAnyApplication = CFSTR("kCFPreferencesAnyApplication");
CFStringRef const kCFPreferencesCurrentApplication = CFSTR("kCFPreferencesCurrentApplication");
CFStringRef const kCFPreferencesAnyHost = CFSTR("kCFPreferencesAnyHost");
CFStringRef const kCFPreferencesCurrentHost = CFSTR("kCFPreferencesCurrentHost");
CFStringRef const kCFPreferencesAnyUser = CFSTR("kCFPreferencesAnyUser");
CFStringRef const kCFPreferencesCurrentUser = CFSTR("kCFPreferencesCurrentUser");

namespace
{
using Domain = std::tuple<std::string, std::string, std::string>;

// Holds one retained reference to each value.
class Store
{
public:
    Store() { SeedDefaults(); }
    ~Store() { Clear(); }
    Store(Store const&) = delete;
    Store& operator=(Store const&) = delete;

    CFTypeRef Copy(Domain const& domain, std::string const& key)
    {
        std::lock_guard<std::mutex> lock(fMutex);
        auto found = fValues.find(domain);
        if (found == fValues.end())
            return nullptr;
        auto value = found->second.find(key);
        return value == found->second.end() ? nullptr : CFRetain(value->second);
    }

    void Set(Domain const& domain, std::string const& key, CFTypeRef value)
    {
        if (value)
            CFRetain(value);
        CFTypeRef old = nullptr;
        {
            std::lock_guard<std::mutex> lock(fMutex);
            std::map<std::string, CFTypeRef>& values = fValues[domain];
            auto found = values.find(key);
            if (found != values.end())
            {
                old = found->second;
                values.erase(found);
            }
            if (value)
                values[key] = value;
        }
        // Released outside the lock: an array releases its strings in turn.
        if (old)
            CFRelease(old);
    }

    void Reset()
    {
        Clear();
        SeedDefaults();
    }

private:
    void Clear()
    {
        std::map<Domain, std::map<std::string, CFTypeRef>> values;
        {
            std::lock_guard<std::mutex> lock(fMutex);
            values.swap(fValues);
        }
        for (auto const& domain : values)
        {
            for (auto const& value : domain.second)
                CFRelease(value.second);
        }
    }

    void SeedDefaults();

    std::mutex fMutex;
    std::map<Domain, std::map<std::string, CFTypeRef>> fValues;
};

Store& TheStore()
{
    static Store sStore;
    return sStore;
}

Domain DomainOf(CFStringRef applicationID, CFStringRef userName, CFStringRef hostName)
{
    return Domain{CFStringStandInGetUTF8(applicationID), CFStringStandInGetUTF8(userName),
                  CFStringStandInGetUTF8(hostName)};
}

// "de_DE.UTF-8" -> "de-DE", "sr_RS@latin" -> "sr-RS"; the C locale speaks English.
std::string LanguageOfLocale(char const* locale)
{
    std::string name = locale ? locale : "";
    name = name.substr(0, name.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX")
        return "en";
    for (char& c : name)
    {
        if (c == '_')
            c = '-';
    }
    return name;
}

// The process's messages locale, read the first time it is asked for.
std::string const& ProcessLanguage()
{
    static std::string const sLanguage = LanguageOfLocale(std::setlocale(LC_MESSAGES, nullptr));
    return sLanguage;
}

void Store::SeedDefaults()
{
    CFStringRef language =
        CFStringCreateWithCString(kCFAllocatorDefault, ProcessLanguage().c_str(), kCFStringEncodingUTF8);
    if (!language)
        return;
    void const* values[] = {language};
    CFArrayRef languages = CFArrayCreate(kCFAllocatorDefault, values, 1, &kCFTypeArrayCallBacks);
    CFRelease(language);
    Set(DomainOf(kCFPreferencesAnyApplication, kCFPreferencesCurrentUser, kCFPreferencesAnyHost),
        "AppleLanguages", languages);
    CFRelease(languages);
}
} // namespace

CFPropertyListRef CFPreferencesCopyAppValue(CFStringRef key, CFStringRef applicationID)
{
    std::string const name = CFStringStandInGetUTF8(key);
    CFTypeRef value =
        TheStore().Copy(DomainOf(applicationID, kCFPreferencesCurrentUser, kCFPreferencesAnyHost), name);
    if (!value)
        value = TheStore().Copy(
            DomainOf(kCFPreferencesAnyApplication, kCFPreferencesCurrentUser, kCFPreferencesAnyHost), name);
    return value;
}

CFPropertyListRef CFPreferencesCopyValue(CFStringRef key, CFStringRef applicationID, CFStringRef userName,
                                         CFStringRef hostName)
{
    return TheStore().Copy(DomainOf(applicationID, userName, hostName), CFStringStandInGetUTF8(key));
}

void CFPreferencesSetAppValue(CFStringRef key, CFPropertyListRef value, CFStringRef applicationID)
{
    CFPreferencesSetValue(key, value, applicationID, kCFPreferencesCurrentUser, kCFPreferencesAnyHost);
}

void CFPreferencesSetValue(CFStringRef key, CFPropertyListRef value, CFStringRef applicationID,
                           CFStringRef userName, CFStringRef hostName)
{
    TheStore().Set(DomainOf(applicationID, userName, hostName), CFStringStandInGetUTF8(key), value);
}

void CFPreferencesStandInReset()
{
    TheStore().Reset();
}
