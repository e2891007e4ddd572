-- The catalogue: sessions, courses and the subjects of each course with their fee.
-- Keys are numbered by the program (largest plus one, read in the transaction
-- that inserts the row).

CREATE TABLE tblSession (
    SessionId   INTEGER NOT NULL PRIMARY KEY,
    SessionName VARCHAR(100) COLLATE NOCASE
);

-- Coursedurration is the length as typed ("18", "3 YEARS"); MonthYear its unit,
-- "Month" or "Year" or whatever was typed into the unit box.
CREATE TABLE tblCourse (
    CourseId        INTEGER NOT NULL PRIMARY KEY,
    CourseName      VARCHAR(100) COLLATE NOCASE,
    Coursedurration VARCHAR(50) COLLATE NOCASE,
    MonthYear       VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX ix_tblCourse_CourseName ON tblCourse (CourseName);

CREATE TABLE tblSubject (
    SubId    INTEGER NOT NULL PRIMARY KEY,
    CourseId INTEGER,
    SubName  VARCHAR(100) COLLATE NOCASE,
    TotAmt   MONEY
);
CREATE INDEX ix_tblSubject_CourseId ON tblSubject (CourseId, SubName);
