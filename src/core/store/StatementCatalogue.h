#pragma once

#include <array>
#include <string>
#include <string_view>

// Every SQL statement the program runs on `ChannelInfo`, kept as the program
// has always issued them, except that every statement finding a channel by
// name adds "and ci_GroupID<>0": the settings row shares the table but is no
// channel, and must never be played, edited or deleted under its name. The
// name-taken count keeps it, since its name is taken all the same.
// Parameters are bound by name: `:sqls…` text, `:sqli…` 32-bit integer,
// `:sqlb…` one-byte integer. Computed columns are `iResult`, `sResult` and
// `CountName`.
namespace kw::sql {

// The settings row (group 0); callers take the first row only.
inline constexpr std::string_view kSelectSettingsRow =
    "select ci_Name,ci_URL,ci_Type,ci_Speed,ci_Rating,ci_Favorited,ci_Locked from ChannelInfo "
    "where ci_GroupID=0";

// Every channel, no order.
inline constexpr std::string_view kSelectAllChannels =
    "select ci_Class0,ci_Class1,ci_Class2,ci_Class3,ci_Name,ci_Favorited,ci_Vol,ci_Locked from ChannelInfo "
    "where (ci_GroupID<>0)";

// The channels of one rating (:sqlbRating 1 to 5).
inline constexpr std::string_view kSelectChannelsByRating =
    "select ci_Class0,ci_Class1,ci_Class2,ci_Class3,ci_Name,ci_Favorited,ci_Vol,ci_Locked from ChannelInfo "
    "where (ci_GroupID<>0) and (ci_Rating)=:sqlbRating";

// One channel as the pass above reads it, by name; :sqlbRating 0 takes any rating.
inline constexpr std::string_view kSelectListedChannel =
    "select ci_Class0,ci_Class1,ci_Class2,ci_Class3,ci_Name,ci_Favorited,ci_Vol,ci_Locked from ChannelInfo "
    "where ci_Name=:sqlsName and (ci_GroupID<>0) and (:sqlbRating=0 or (ci_Rating)=:sqlbRating)";

// Whether some channel's name is empty or starts or ends with a blank or
// control character: the tree shows such a name trimmed, so two channels may
// share one leaf.
inline constexpr std::string_view kSelectIrregularName =
    "select 1 from ChannelInfo where (ci_GroupID<>0) and (ci_Name is null or ci_Name='' or "
    "unicode(substr(ci_Name,1,1))<=32 or unicode(substr(ci_Name,-1,1))<=32) limit 1";

// What the details panel shows.
inline constexpr std::string_view kSelectChannelDetails =
    "select ci_ID,ci_Rating,ci_Memo,ci_GroupID,ci_Type,ci_speed,ci_Favorited,ci_Vol,ci_Locked from "
    "ChannelInfo "
    "where ci_Name=:sqlsName and ci_GroupID<>0";

// What playing a channel or visiting its related site needs. The format
// (ci_Type) is read along, so a play reads its row once.
inline constexpr std::string_view kSelectChannelAddress =
    "select ci_URL,ci_Name,ci_Link,ci_Locked,ci_Type from ChannelInfo where ci_Name=:sqlsName and "
    "ci_GroupID<>0";

inline constexpr std::string_view kUpdateFavorited =
    "update ChannelInfo set ci_Favorited=:sqlbFavorited where (ci_Name=:sqlsName) and ci_GroupID<>0";

// What placing one channel in the tree needs.
inline constexpr std::string_view kSelectChannelPlacement =
    "select ci_Class0,ci_Class1,ci_Class2,ci_Class3,ci_Favorited,ci_Vol from ChannelInfo "
    "where ci_Name=:sqlsName and ci_GroupID<>0";

inline constexpr std::string_view kDeleteChannel =
    "delete from ChannelInfo where ci_Name=:sqlsName and ci_GroupID<>0";

inline constexpr std::string_view kUpdateRating =
    "update ChannelInfo set ci_Rating=:sqlbRating where ci_Name=:sqlsName and ci_GroupID<>0";

inline constexpr std::string_view kUpdateLocked =
    "update ChannelInfo set ci_Locked=:sqliLocked where (ci_Name=:sqlsName) and ci_GroupID<>0";

// Lock mode and scrambled password into every row of group 0.
inline constexpr std::string_view kUpdateSettingsRow =
    "update ChannelInfo"
    " set ci_Locked=:sqliLocked,ci_Type=:sqlsType"
    " where ci_GroupID=0";

// Number of system and of user channels.
inline constexpr std::string_view kCountSystemChannels =
    "select count(ci_ID) as iResult from ChannelInfo where ci_GroupID=1";
inline constexpr std::string_view kCountUserChannels =
    "select count(ci_ID) as iResult from ChannelInfo where ci_GroupID=2";

// A channel as the edit form loads it.
inline constexpr std::string_view kSelectChannelForEdit =
    "select ci_Class0,ci_Class1,ci_Class2,ci_Class3,ci_Type,ci_Speed,ci_URL,ci_ID,ci_Link,ci_Memo "
    "from ChannelInfo where ci_Name=:sqlsName and ci_GroupID<>0";

// A new channel; rating always 3, favourited and locked left to read as 0.
inline constexpr std::string_view kInsertChannel =
    "insert into ChannelInfo (ci_Class0,ci_Class1,ci_Class2,ci_Class3,ci_Name,ci_URL,ci_Link,ci_Memo,"
    "ci_Type,ci_Speed,ci_Rating,ci_GroupID,ci_Vol) Values (:sqlsClass0,:sqlsClass1,:sqlsClass2,:sqlsClass3,"
    ":sqlsName,:sqlsURL,:sqlsLink,:sqlsMemo,:sqlsType,:sqlsSpeed,3,:sqlbGroupID,:sqlsVol)";

// The edit form's save, by row identity.
inline constexpr std::string_view kUpdateChannelById =
    "update ChannelInfo set ci_Class0=:sqlsClass0,ci_Class1=:sqlsClass1, ci_Class2=:sqlsClass2, "
    "ci_Class3=:sqlsClass3,ci_Name=:sqlsName , ci_URL=:sqlsURL,ci_Link=:sqlsLink,ci_Memo=:sqlsMemo,"
    "ci_Type=:sqlsType,ci_Speed=:sqlsSpeed where  ci_ID=:sqliID";

// Is the name taken? 0 or 1, letter case ignored.
inline constexpr std::string_view kCountChannelsByName =
    "select count(ci_Name) as CountName from ChannelInfo where ci_Name=:sqlsName";

// Batch add overwriting a channel of the same name.
inline constexpr std::string_view kUpdateChannelByName =
    "update ChannelInfo  set ci_Class0=:sqlsClass0,ci_Class1=:sqlsClass1, ci_Class2=:sqlsClass2, "
    "ci_Class3=:sqlsClass3, ci_URL=:sqlsURL,ci_Link=:sqlsLink,ci_Memo=:sqlsMemo,ci_Type=:sqlsType,"
    "ci_Speed=:sqlsSpeed,ci_Vol=:sqlsVol  where ci_Name=:sqlsName and ci_GroupID<>0";

// The user's own channels for export. "User" is a double-quoted string
// literal: SQLite reads it as one because no column of that name exists, and
// the connection turns that reading on explicitly (SQLITE_DBCONFIG_DQS_DML),
// so builds whose default is off run the statement unchanged.
inline constexpr std::string_view kSelectUserChannels =
    "select ci_Class0,ci_Class1,ci_Class2,ci_Class3,ci_Name,ci_URL,ci_Link,ci_Memo,ci_Type,ci_Speed "
    "from ChannelInfo where (ci_GroupID=2) and ci_Vol=\"User\"";

// Every channel with what a playlist export needs, settings row left out.
inline constexpr std::string_view kSelectChannelsForExport =
    "select ci_Class0,ci_Class1,ci_Class2,ci_Class3,ci_Name,ci_URL,ci_Memo,ci_Type,ci_Favorited,ci_Locked,"
    "ci_GroupID,ci_Vol from ChannelInfo where (ci_GroupID<>0)";

// Columns the built statements below are made from; never user input.
inline constexpr std::string_view kColumnURL = "ci_URL";
inline constexpr std::string_view kColumnClass0 = "ci_Class0";
inline constexpr std::string_view kColumnClass1 = "ci_Class1";
inline constexpr std::string_view kColumnClass2 = "ci_Class2";
inline constexpr std::string_view kColumnClass3 = "ci_Class3";

// One column of a channel by name, as sResult.
std::string selectColumnByName(std::string_view column);

// The distinct values of one column over all channels, ordered.
std::string selectDistinctColumn(std::string_view column);

// The same under one main category, which is written into the text as a
// string literal in single quotes with inner single quotes doubled.
std::string selectDistinctColumnInMainCategory(std::string_view column, std::string_view mainCategory);

// The main category as an SQL string literal for selectDistinctColumnInMainCategory.
std::string quotedLiteral(std::string_view text);

// Creating a database: the table, its case-insensitive unique name index and
// the settings row. The column set is the one every statement above reads;
// ci_URL holds the scrambled bytes as a BLOB.
inline constexpr std::string_view kCreateChannelInfo =
    "create table ChannelInfo ("
    "ci_ID INTEGER PRIMARY KEY AUTOINCREMENT,"
    "ci_Class0 TEXT COLLATE KWTEXT,ci_Class1 TEXT COLLATE KWTEXT,ci_Class2 TEXT COLLATE KWTEXT,"
    "ci_Class3 TEXT COLLATE KWTEXT,"
    "ci_Name TEXT COLLATE NOCASE,"
    "ci_URL BLOB,"
    "ci_Link TEXT,ci_Memo TEXT,ci_Type TEXT,ci_Speed TEXT,"
    "ci_Rating INTEGER,ci_GroupID INTEGER,ci_Vol TEXT COLLATE KWTEXT,"
    "ci_Favorited INTEGER DEFAULT 0,ci_Locked INTEGER DEFAULT 0)";
inline constexpr std::string_view kCreateNameIndex =
    "create unique index ChannelInfo_Name on ChannelInfo (ci_Name)";
// The schema's version in `pragma user_version`: 1 once the compared text
// columns carry the KWTEXT collation (an older file is upgraded by copying its
// rows into a table of the current form), 2 once ChannelStatus stands beside
// ChannelInfo, 3 once it knows since when a channel fails and has the indexes
// the background check and the clean-up read by, and ChannelSource stands
// beside them. Each upgrade runs in one transaction.
inline constexpr int kCollatedSchemaVersion = 1;
inline constexpr int kSchemaVersion = 3;

// The last check of each channel, beside ChannelInfo and found by name as
// every statement finds channels. The triggers keep it with its channel: a
// delete removes it, a rename carries it. An edit of the address clears it,
// which the store does itself (the stored address is scrambled with the name).
inline constexpr std::array<std::string_view, 5> kCreateChannelStatus = {
    "create table ChannelStatus (cs_Name TEXT COLLATE NOCASE PRIMARY KEY,cs_Status INTEGER,cs_Reason TEXT,"
    "cs_CheckedAt INTEGER,cs_AnswerMs INTEGER,cs_Kbit INTEGER,cs_Failures INTEGER,cs_LastGood INTEGER,"
    "cs_FailingSince INTEGER)",
    "create trigger ChannelStatus_Delete after delete on ChannelInfo begin "
    "delete from ChannelStatus where cs_Name=old.ci_Name; end",
    "create trigger ChannelStatus_Rename after update of ci_Name on ChannelInfo "
    "when new.ci_Name<>old.ci_Name begin "
    "update or replace ChannelStatus set cs_Name=new.ci_Name where cs_Name=old.ci_Name; end",
    "create index ChannelStatus_CheckedAt on ChannelStatus (cs_CheckedAt)",
    "create index ChannelStatus_Failures on ChannelStatus (cs_Failures,cs_CheckedAt)"};
// From version 2: a failing channel fails since its last check, as far as
// anyone can tell now.
inline constexpr std::array<std::string_view, 4> kUpgradeChannelStatusFrom2 = {
    "alter table ChannelStatus add column cs_FailingSince INTEGER",
    "update ChannelStatus set cs_FailingSince=cs_CheckedAt where cs_Failures>0", kCreateChannelStatus[3],
    kCreateChannelStatus[4]};
// Where each channel that came from outside came from: its source (a playlist
// file or address) and the source's stable id of the entry, what the source
// said of the entry when last read (to tell a later change), and since when
// the source no longer has it. Kept with its channel by name, as
// ChannelStatus is. Subscription lists the sources read again on refresh.
inline constexpr std::array<std::string_view, 6> kCreateSourceTables = {
    "create table ChannelSource (src_Name TEXT COLLATE NOCASE PRIMARY KEY,src_Source TEXT NOT NULL,"
    "src_EntryId TEXT NOT NULL,src_Seen TEXT,src_GoneSince INTEGER)",
    "create index ChannelSource_Entry on ChannelSource (src_Source,src_EntryId)",
    // Every tree build reads the gone ones: only they are in this index.
    "create index ChannelSource_Gone on ChannelSource (src_GoneSince) where src_GoneSince is not null",
    "create trigger ChannelSource_Delete after delete on ChannelInfo begin "
    "delete from ChannelSource where src_Name=old.ci_Name; end",
    "create trigger ChannelSource_Rename after update of ci_Name on ChannelInfo "
    "when new.ci_Name<>old.ci_Name begin "
    "update or replace ChannelSource set src_Name=new.ci_Name where src_Name=old.ci_Name; end",
    "create table Subscription (sub_Address TEXT PRIMARY KEY,sub_Name TEXT COLLATE NOCASE NOT NULL UNIQUE,"
    "sub_Class0 TEXT,sub_AddedAt INTEGER)"};
inline constexpr std::string_view kFindChannelSource =
    "select 1 from sqlite_master where type='table' and name='ChannelSource'";
inline constexpr std::string_view kRecordChannelSource =
    "insert or replace into ChannelSource (src_Name,src_Source,src_EntryId,src_Seen) select :sqlsName,"
    ":sqlsSource,:sqlsEntry,:sqlsSeen where exists(select 1 from ChannelInfo where ci_Name=:sqlsName and "
    "ci_GroupID<>0)";
inline constexpr std::string_view kReadChannelSource =
    "select src_Source,src_EntryId,src_Seen,src_GoneSince from ChannelSource where src_Name=:sqlsName";
inline constexpr std::string_view kEntriesOfSource =
    "select src_EntryId,src_Name,src_Seen,src_GoneSince from ChannelSource where src_Source=:sqlsSource";
inline constexpr std::string_view kSeeEntryAgain =
    "update ChannelSource set src_EntryId=:sqlsEntry,src_Seen=:sqlsSeen,src_GoneSince=null "
    "where src_Name=:sqlsName";
inline constexpr std::string_view kMarkEntryGone =
    "update ChannelSource set src_GoneSince=:sqliAt where src_Name=:sqlsName and src_GoneSince is null";
inline constexpr std::string_view kForgetGoneMarks =
    "update ChannelSource set src_GoneSince=null where src_Source=:sqlsSource and src_GoneSince is not null";
inline constexpr std::string_view kGoneChannels =
    "select src_Name from ChannelSource where src_GoneSince is not null";
inline constexpr std::string_view kSubscriptions =
    "select sub_Name,sub_Address,sub_Class0,sub_AddedAt from Subscription order by sub_AddedAt,sub_Name";
inline constexpr std::string_view kAddSubscription =
    "insert into Subscription (sub_Name,sub_Address,sub_Class0,sub_AddedAt) "
    "values (:sqlsName,:sqlsAddress,:sqlsClass0,:sqliAt)";
inline constexpr std::string_view kRemoveSubscription =
    "delete from Subscription where sub_Address=:sqlsAddress";
// One check's outcome: the count of failures in a row, the time last good and the
// time the failures began follow from the row before. A channel deleted while
// it was probed gets no row.
inline constexpr std::string_view kRecordChannelStatus =
    "insert into ChannelStatus (cs_Name,cs_Status,cs_Reason,cs_CheckedAt,cs_AnswerMs,cs_Kbit,cs_Failures,"
    "cs_LastGood,cs_FailingSince) select :sqlsName,:sqliStatus,:sqlsReason,:sqliAt,:sqliAnswerMs,:sqliKbit,"
    "case when :sqliStatus=0 then 1 else 0 end,case when :sqliStatus>0 then :sqliAt end,"
    "case when :sqliStatus=0 then :sqliAt end "
    "where exists(select 1 from ChannelInfo where ci_Name=:sqlsName and ci_GroupID<>0) "
    "on conflict(cs_Name) do update set cs_Status=excluded.cs_Status,cs_Reason=excluded.cs_Reason,"
    "cs_CheckedAt=excluded.cs_CheckedAt,cs_AnswerMs=excluded.cs_AnswerMs,cs_Kbit=excluded.cs_Kbit,"
    "cs_Failures=case when excluded.cs_Status=0 then cs_Failures+1 else 0 end,"
    "cs_LastGood=coalesce(excluded.cs_LastGood,cs_LastGood),"
    "cs_FailingSince=case when excluded.cs_Status>0 then null when cs_Failures>0 then cs_FailingSince "
    "else excluded.cs_CheckedAt end";
inline constexpr std::string_view kReadChannelStatus =
    "select cs_Status,cs_Reason,cs_CheckedAt,cs_AnswerMs,cs_Kbit,cs_Failures,cs_LastGood,"
    "cs_FailingSince from ChannelStatus where cs_Name=:sqlsName";
inline constexpr std::string_view kFailingChannels =
    "select cs_Name,cs_Status,cs_Reason,cs_CheckedAt,cs_AnswerMs,cs_Kbit,cs_Failures,cs_LastGood,"
    "cs_FailingSince from ChannelStatus where cs_Failures>=:sqliFailures";
// What the background check takes next, each read through an index and
// bounded by its limit: channels whose one failure waits to be confirmed,
// channels never checked (a stretch of ids at a time), channels checked long ago.
inline constexpr std::string_view kFailedOnceBefore =
    "select cs_Name from ChannelStatus where cs_Failures=1 and cs_CheckedAt<:sqliBefore "
    "order by cs_CheckedAt limit :sqliLimit";
inline constexpr std::string_view kChannelsAfterId =
    "select ci_ID,ci_Name,exists(select 1 from ChannelStatus where cs_Name=ci_Name) from ChannelInfo "
    "where ci_ID>:sqliID and ci_GroupID<>0 order by ci_ID limit :sqliLimit";
inline constexpr std::string_view kCheckedBefore =
    "select cs_Name from ChannelStatus where cs_CheckedAt<:sqliBefore order by cs_CheckedAt limit :sqliLimit";
inline constexpr std::string_view kFindChannelStatus =
    "select 1 from sqlite_master where type='table' and name='ChannelStatus'";
inline constexpr std::string_view kClearChannelStatus = "delete from ChannelStatus where cs_Name=:sqlsName";
// The address a channel has before an edit, to tell whether the edit changes it.
inline constexpr std::string_view kAddressById = "select ci_Name,ci_URL from ChannelInfo where ci_ID=:sqliID";
inline constexpr std::string_view kAddressByName =
    "select ci_Name,ci_URL from ChannelInfo where ci_Name=:sqlsName and ci_GroupID<>0";
inline constexpr std::string_view kAllColumns =
    "ci_ID,ci_Class0,ci_Class1,ci_Class2,ci_Class3,ci_Name,ci_URL,ci_Link,ci_Memo,ci_Type,ci_Speed,"
    "ci_Rating,ci_GroupID,ci_Vol,ci_Favorited,ci_Locked";
inline constexpr std::string_view kInsertSettingsRow =
    "insert into ChannelInfo (ci_Name,ci_URL,ci_Type,ci_Speed,ci_Rating,ci_GroupID,ci_Favorited,ci_Locked) "
    "Values (:sqlsName,:sqlsURL,:sqlsType,:sqlsSpeed,:sqlbRating,0,:sqlbFavorited,:sqliLocked)";

// Opening a database: reading every column proves the file is a database
// holding the table the statements need, without writing anything.
inline constexpr std::string_view kVerifySchema =
    "select ci_ID,ci_Class0,ci_Class1,ci_Class2,ci_Class3,ci_Name,ci_URL,ci_Link,ci_Memo,ci_Type,ci_Speed,"
    "ci_Rating,ci_GroupID,ci_Vol,ci_Favorited,ci_Locked from ChannelInfo limit 1";

}  // namespace kw::sql
