// A kind of file, known at once by its readable descriptor, its extension, its Mac creator and type
// codes and the user id program code asks for it by; and the process-wide registry of kinds.
#pragma once

#include <cstdint>

#include "GBuffer.h"
#include "GFastAllocatable.h"
#include "GString.h"

class GFileTypeImp;
class GLngString;

class GFileType : public GFastAllocatable
{
public:
    // The Mac code that stands for any or an unknown creator or type.
    static char const* const cAnyCode;

    // The descriptor is the string-pool text of descriptorID.
    GFileType(int descriptorID, GString const& extension, GBuffer const& creator, GBuffer const& type,
              int userID);
    GFileType(GString const& descriptor, GString const& extension, GBuffer const& creator,
              GBuffer const& type, int userID);
    // A kind met at run time: any creator and type, user id 0, described by the installed
    // describer (empty without one).
    explicit GFileType(GString const& extension);
    GFileType(GBuffer const& creator, GBuffer const& type, GString const& extension);
    GFileType(GFileType const& other) = default;
    GFileType& operator=(GFileType const& other) = default;
    ~GFileType() = default;

    void Set(GFileType const& other) { *this = other; }

    // The string-pool text of the descriptor id, or the descriptor text for a kind without id.
    GString const& GetDescriptor() const;
    void GetDescriptor(GString& out) const { out = GetDescriptor(); }
    // Untranslated: the id, or the text for a kind without id.
    void GetDescriptor(GLngString& out) const;
    int GetDescriptorID() const { return fDescriptorID; }

    GString const& GetExtension() const { return fExtension; }
    void GetExtension(GString& out) const { out = fExtension; }
    GBuffer const& GetCreator() const { return fCreator; }
    void GetCreator(GBuffer& out) const { out = fCreator; }
    GBuffer const& GetType() const { return fType; }
    void GetType(GBuffer& out) const { out = fType; }
    // The code bytes as a big-endian number.
    unsigned int GetMacCreator() const { return CodeToUInt32(fCreator); }
    unsigned int GetMacType() const { return CodeToUInt32(fType); }
    int GetUserID() const { return fUserID; }

    // All six parts equal, the extensions ignoring case.
    bool operator==(GFileType const& other) const;
    bool operator!=(GFileType const& other) const { return !(*this == other); }

    static unsigned int CodeToUInt32(GBuffer const& code);
    static GBuffer UInt32ToCode(unsigned int code);

    // --- the registry ---
    // Not locked: lookups that register new kinds must not run on two threads at once. Pointers
    // it hands out stay valid until Finalize.

    // Registers the English descriptors, then the built-in kinds in their order.
    static void Initialize();
    // Forgets the default and deletes every kind, last first. An installed describer stays.
    static void Finalize();

    // Make a kind and register it; the registry owns it.
    static GFileType const* AddFileType(int descriptorID, GString const& extension, GBuffer const& creator,
                                        GBuffer const& type, int userID);
    static GFileType const* AddFileType(GString const& descriptor, GString const& extension,
                                        GBuffer const& creator, GBuffer const& type, int userID);

    // Deletes the describer installed before; takes ownership of imp (which may be null).
    static void SetFileTypeImp(GFileTypeImp* imp);

    // The default set, else the first kind registered, else null.
    static void SetDefault(GFileType const* type) { sDefault = type; }
    static GFileType const* GetDefault();

    // The first kind whose descriptor is exactly text; null when none.
    static GFileType const* GetFromDescriptor(GString const& text);
    // The first kind registered for the extension, ignoring case; an unknown extension is
    // registered as a new kind (in the caller's case), so the result is never null.
    static GFileType const* GetFromExtension(GString const& extension);
    // The first kind with these creator (type) bytes; null when none.
    static GFileType const* GetFromCreator(GBuffer const& creator);
    static GFileType const* GetFromType(GBuffer const& type);
    // The first kind with exactly these codes, else the first whose codes match with "????" on
    // either side standing for any (a kind with both codes "????" never matches so), both times
    // with an equal extension (case counts) unless extension is empty. Otherwise a new kind is
    // registered; the result is never null.
    static GFileType const* GetFromCreatorAndType(GBuffer const& creator, GBuffer const& type,
                                                  GString const& extension);
    static GFileType const* GetFromCreatorAndType(unsigned int creator, unsigned int type,
                                                  GString const& extension);
    static GFileType const* GetFromUserID(int userID);

private:
    static GFileType const* Register(GFileType* type);

    std::int32_t fDescriptorID;
    GString fDescriptorText;
    GString fExtension;
    GBuffer fCreator;
    GBuffer fType;
    std::int32_t fUserID;

    static GFileType const* sDefault;
};
