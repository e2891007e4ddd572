-- Work tables of the report procedures. Every run empties its table and fills
-- it again inside one transaction, so a report reads one whole run and no other.

-- AcLedger and DetailAcLedger: the opening line (LineNo 0) and then one line
-- per voucher (AcLedger) or per posting row (DetailAcLedger), with the running
-- balance (debit positive) after each line.
CREATE TABLE rptLedger (
    LineNo    INTEGER NOT NULL PRIMARY KEY,
    AcCode    INTEGER,
    FromDate  DATE,
    ToDate    DATE,
    VouDate   DATE,
    VouNo     INTEGER,
    VouStatus VARCHAR(2) COLLATE NOCASE,
    EntryNo   INTEGER,
    OppAc     INTEGER,
    OppName   VARCHAR(100) COLLATE NOCASE,
    ChecqNo   VARCHAR(20) COLLATE NOCASE,
    Naration  VARCHAR(200) COLLATE NOCASE,
    DrAmt     MONEY,
    CrAmt     MONEY,
    Balance   MONEY
);

-- TrialBalance and TrialBalance3: one row per account with postings or an
-- opening balance. Opening and closing balances are split into a debit and a
-- credit column; DrAmt and CrAmt are the period's postings. TrialBalance
-- leaves the opening at 0 and closes on the period's postings alone.
CREATE TABLE rptTrialBalance (
    AcCode       INTEGER NOT NULL PRIMARY KEY,
    FromDate     DATE,
    ToDate       DATE,
    AcNodes      VARCHAR(50) COLLATE NOCASE,
    AcName       VARCHAR(100) COLLATE NOCASE,
    ControlNodes VARCHAR(50) COLLATE NOCASE,
    ControlName  VARCHAR(100) COLLATE NOCASE,
    SubNodes     VARCHAR(50) COLLATE NOCASE,
    SubName      VARCHAR(100) COLLATE NOCASE,
    OpenDr       MONEY NOT NULL DEFAULT 0,
    OpenCr       MONEY NOT NULL DEFAULT 0,
    DrAmt        MONEY NOT NULL DEFAULT 0,
    CrAmt        MONEY NOT NULL DEFAULT 0,
    CloseDr      MONEY NOT NULL DEFAULT 0,
    CloseCr      MONEY NOT NULL DEFAULT 0
);

-- CreatStuWiseDet: one row per subject line of the session's admissions,
-- narrowed to a course and a subject when they are given. inactive is '1'
-- for an inactive subject line and Null for an active one.
CREATE TABLE rptStudentDetail (
    LineNo      INTEGER NOT NULL PRIMARY KEY,
    SessionID   INTEGER,
    SessionName VARCHAR(100) COLLATE NOCASE,
    CourseID    INTEGER,
    CourseName  VARCHAR(100) COLLATE NOCASE,
    SubID       INTEGER,
    SubName     VARCHAR(100) COLLATE NOCASE,
    AppID       INTEGER,
    RegNo       VARCHAR(50) COLLATE NOCASE,
    StuName     VARCHAR(100) COLLATE NOCASE,
    FatherName  VARCHAR(100) COLLATE NOCASE,
    CellNo      VARCHAR(50) COLLATE NOCASE,
    CusCode     INTEGER,
    NetAmount   MONEY NOT NULL DEFAULT 0,
    RecAmount   MONEY NOT NULL DEFAULT 0,
    FeeReceived MONEY NOT NULL DEFAULT 0,
    Received    MONEY NOT NULL DEFAULT 0,
    Balance     MONEY NOT NULL DEFAULT 0,
    inactive    VARCHAR(1) COLLATE NOCASE
);
