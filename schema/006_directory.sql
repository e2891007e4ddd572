-- Telephone directory: one row per contact. Row_No is the largest plus one,
-- taken by the program inside the transaction that inserts the row.
CREATE TABLE tbl_Tele_Directory (
    Row_No      INTEGER NOT NULL PRIMARY KEY,
    Code_No     VARCHAR(20)  COLLATE NOCASE,
    Client_Name VARCHAR(100) COLLATE NOCASE,
    Company     VARCHAR(100) COLLATE NOCASE,
    Contact_Per VARCHAR(100) COLLATE NOCASE,
    Tele_No     VARCHAR(100) COLLATE NOCASE,
    Mob_No      VARCHAR(100) COLLATE NOCASE,
    Fax_NO      VARCHAR(100) COLLATE NOCASE,
    Email       VARCHAR(100) COLLATE NOCASE,
    WebSite     VARCHAR(100) COLLATE NOCASE,
    Location    VARCHAR(100) COLLATE NOCASE,
    City        VARCHAR(50)  COLLATE NOCASE,
    Country     VARCHAR(50)  COLLATE NOCASE,
    Address     VARCHAR(255) COLLATE NOCASE
);
