// The action texts of the dataset layer: what a component was doing when an
// engine call failed. The error check puts the text, formatted with the
// table, dataset, index, record number or condition concerned, in front of
// the engine's messages ("Setting filter: Search-condition is invalid. ...").
#pragma once

#include <string_view>

namespace vexilo::dataset {

// Database component.
inline constexpr std::u16string_view kActionConnectingToDatabase = u"Connecting to database \"%s\"";
inline constexpr std::u16string_view kActionOpeningDatabase = u"Opening database \"%s\"";
inline constexpr std::u16string_view kActionOpeningTable = u"Opening table \"%s\"";
inline constexpr std::u16string_view kActionCheckingDatabase = u"Checking database";
inline constexpr std::u16string_view kActionCompressingDatabase = u"Compressing database";
inline constexpr std::u16string_view kActionClosingTables = u"Closing tables";
inline constexpr std::u16string_view kActionStartingTransaction = u"Starting transaction";
inline constexpr std::u16string_view kActionCommittingTransaction = u"Committing transaction";
inline constexpr std::u16string_view kActionRollingBackTransaction = u"Rolling-back transaction";
inline constexpr std::u16string_view kActionCheckingTransactionState = u"Checking transaction state";
inline constexpr std::u16string_view kActionBackingUpDatabase = u"Backing up database %s";
inline constexpr std::u16string_view kActionAddingTable = u"Adding table";
inline constexpr std::u16string_view kActionRemovingTable = u"Removing table";
inline constexpr std::u16string_view kActionCreatingDatabase = u"Creating database \"%s\"";
inline constexpr std::u16string_view kActionDeletingDatabase = u"Deleting database \"%s\"";
inline constexpr std::u16string_view kActionSettingTableProperties = u"Setting table properties";
inline constexpr std::u16string_view kActionGettingTableNames = u"Getting table names";

// Table component: opening and table-wide operations.
inline constexpr std::u16string_view kActionOpeningVexBaseTable = u"Opening VexBase table %s";
inline constexpr std::u16string_view kActionOpeningVexBaseDetailTable =
    u"Opening VexBase detail table %s";
inline constexpr std::u16string_view kActionCreatingTable = u"Creating table \"%s\"";
inline constexpr std::u16string_view kActionDeletingTable = u"Deleting table \"%s\"";
inline constexpr std::u16string_view kActionRenamingTable = u"Renaming table %s";
inline constexpr std::u16string_view kActionEmptyingTable = u"Emptying table %s";
inline constexpr std::u16string_view kActionAlteringTable = u"Altering table %s";
inline constexpr std::u16string_view kActionCreatingIndex = u"Creating index \"%s\"";
inline constexpr std::u16string_view kActionDeletingIndex = u"Deleting index \"%s\"";
inline constexpr std::u16string_view kActionUpdatingIndex = u"Updating index %s";
inline constexpr std::u16string_view kActionAddingFullTextIndex = u"Adding full-text index";
inline constexpr std::u16string_view kActionCreatingFullTextIndex =
    u"Creating full text index %s";
inline constexpr std::u16string_view kActionUpdatingFullTextIndex =
    u"Updating full text index %s";
inline constexpr std::u16string_view kActionLockingTable = u"Locking table %s";
inline constexpr std::u16string_view kActionUnlockingTable = u"Unlocking table %s";

// Table component: searching and restricting.
inline constexpr std::u16string_view kActionSearchingRecordByKey = u"Searching record by key";
inline constexpr std::u16string_view kActionSearchingNearestRecord = u"Searching nearest record";
inline constexpr std::u16string_view kActionSettingRange = u"Setting range";
inline constexpr std::u16string_view kActionSettingWordFilter = u"Setting word filter";

// Table component: ordering by field names (key search).
inline constexpr std::u16string_view kActionSettingIndexFieldNames = u"Setting index field names";

// Dataset: filtering, reading and moving.
inline constexpr std::u16string_view kActionSettingFilter = u"Setting filter";
inline constexpr std::u16string_view kActionReadingData = u"Reading Data";
inline constexpr std::u16string_view kActionFetchingRecord = u"Fetching record";
inline constexpr std::u16string_view kActionFetchingRecords = u"Fetching records";
inline constexpr std::u16string_view kActionComparingBookmarks = u"Comparing bookmarks";
inline constexpr std::u16string_view kActionGoingToBookmark = u"Going to bookmark";
inline constexpr std::u16string_view kActionSettingToRecordNumber =
    u"Setting to record number %d";
inline constexpr std::u16string_view kActionLocatingInDataset = u"Locating in dataset %s";

// Dataset: the marked-record set.
inline constexpr std::u16string_view kActionAddingToSelection = u"Adding to selection";
inline constexpr std::u16string_view kActionRemovingRecordFromSelection = u"Removing record from selection";
inline constexpr std::u16string_view kActionRemovingFromSelection = u"Removing from selection";
inline constexpr std::u16string_view kActionIntersectingSelection = u"Intersecting selection";
inline constexpr std::u16string_view kActionTestingSelection = u"Testing selection";
inline constexpr std::u16string_view kActionClearingSelection = u"Clearing selection";
inline constexpr std::u16string_view kActionActivatingSelection = u"Activating selection";

// Dataset: editing.
inline constexpr std::u16string_view kActionAddingRecord = u"Adding record";
inline constexpr std::u16string_view kActionEnteringRecord = u"Entering record";
inline constexpr std::u16string_view kActionInsertingRecord = u"Inserting record into dataset %s";
inline constexpr std::u16string_view kActionAppendingRecord = u"Appending record to dataset %s";
inline constexpr std::u16string_view kActionWritingRecord = u"Writing record to dataset %s";
inline constexpr std::u16string_view kActionDeletingRecord = u"Deleting record";

// Dataset: posting, cancelling and memo contents (the editing steps above
// name the record writes).
inline constexpr std::u16string_view kActionCancellingRecord = u"Cancelling record";
inline constexpr std::u16string_view kActionCancellingInsertedRecord = u"Cancelling Record";
inline constexpr std::u16string_view kActionWritingBlob = u"Writing blob";
inline constexpr std::u16string_view kActionFindingLinkedRecord = u"Finding linked record";

// Dataset: memos, blobs, conditions and the rest.
inline constexpr std::u16string_view kActionReadingMemo = u"Reading memo";
inline constexpr std::u16string_view kActionReadingBlob = u"Reading blob";
inline constexpr std::u16string_view kActionEvaluatingCondition = u"Evaluating condition '%s'";
inline constexpr std::u16string_view kActionRetrievingEnumerationValue =
    u"Retrieving enumeration value %s";
inline constexpr std::u16string_view kActionCheckingReplacementExpression =
    u"Checking replacement expression %s";
inline constexpr std::u16string_view kActionCheckingFilterExpression =
    u"Checking filter expression %s";
inline constexpr std::u16string_view kActionReplacing = u"Replacing %s";
inline constexpr std::u16string_view kActionCreatingAccessToRelations =
    u"Creating access to relations";

}  // namespace vexilo::dataset
