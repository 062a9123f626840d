#include "Database/corvelle_library_files_Entity.h"

std::string corvelle_library_files_Entity::infoShow() const
{
    if (!info || info->empty())
        return "";
    const size_t comma = info->find(',');
    return comma == std::string::npos ? *info : info->substr(0, comma);
}

std::string corvelle_library_files_Entity::duration() const
{
    if (!info || info->empty())
        return "";
    const size_t comma = info->find(',');
    if (comma == std::string::npos)
        return "";
    std::string after = info->substr(comma + 1);
    return after.size() < 2 ? std::string() : after;
}

std::shared_ptr<corvelle_library_files_Entity> corvelle_library_files_Entity::copyWithZone() const
{
    auto copy = std::make_shared<corvelle_library_files_Entity>();
    copy->file_id = file_id;
    copy->title = title;
    copy->file_name = file_name;
    copy->category = category;
    copy->type = type;
    copy->date = date;
    copy->description = description;
    copy->ordering = ordering;
    copy->published = published;
    copy->cover_image = cover_image;
    copy->info = info;
    copy->isNew = isNew;
    return copy;
}
