-- The template client database: every table, column, key and view the data
-- layer reads and writes, in their final form (the upgrade steps then find
-- their changes in place). Keys are the ones the saves replace on.

CREATE TABLE Corvelle_component_config (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    client_id VARCHAR(20),
    cfg_type VARCHAR(32) UNIQUE,
    "desc" TEXT,
    update_date VARCHAR(20)
);

CREATE TABLE corvelle_login_user (
    indexId INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL,
    useName VARCHAR(20) NOT NULL UNIQUE,
    password VARCHAR(64) NOT NULL,
    clientId VARCHAR(20) NOT NULL,
    deviceId VARCHAR(20) NOT NULL,
    lastLoginTime VARCHAR(15),
    email VARCHAR(20),
    companyName VARCHAR(20),
    companyLink VARCHAR(50)
);

CREATE TABLE corvelle_product (
    product_id INTEGER PRIMARY KEY,
    product_sku VARCHAR(64),
    product_name VARCHAR(255),
    product_s_desc TEXT,
    product_l_desc TEXT,
    product_publish INTEGER,
    product_ordering INTEGER,
    product_stock INTEGER,
    product_sale INTEGER,
    product_buy INTEGER,
    product_c_date DATE,
    product_m_date DATE,
    product_tags TEXT
);
CREATE INDEX corvelle_product_sku_index ON corvelle_product (product_sku);

CREATE TABLE corvelle_product_attribute (
    attribute_id INTEGER PRIMARY KEY,
    product_id INTEGER,
    attribute_fields_id INTEGER,
    attribute_value TEXT,
    selection_list TEXT
);
CREATE INDEX corvelle_product_attribute_product_index ON corvelle_product_attribute (product_id);

CREATE TABLE corvelle_fields_product_attribute (
    field_id INTEGER PRIMARY KEY,
    field_name VARCHAR(64),
    description TEXT,
    selection_list TEXT,
    display INTEGER,
    published INTEGER
);

CREATE TABLE corvelle_product_category_xref (
    category_id INTEGER NOT NULL,
    product_id INTEGER NOT NULL,
    PRIMARY KEY (category_id, product_id)
);
CREATE INDEX corvelle_product_category_xref_product_index ON corvelle_product_category_xref (product_id);

CREATE TABLE corvelle_product_related (
    product_id INTEGER PRIMARY KEY,
    related_product_sku TEXT
);

CREATE TABLE corvelle_product_tag (
    tag_id INTEGER PRIMARY KEY AUTOINCREMENT,
    tag_name VARCHAR(64) NOT NULL UNIQUE
);

CREATE TABLE corvelle_product_related_tag (
    id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL,
    product_id INTEGER NOT NULL,
    tag_id INTEGER NOT NULL
);
CREATE INDEX corvelle_product_related_tag_tag_index ON corvelle_product_related_tag (tag_id, product_id);

CREATE TABLE corvelle_product_related_file (
    id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL,
    file_id INTEGER NOT NULL,
    product_sku varchar,
    product_id integer
);

CREATE TABLE corvelle_library_favorite (
    id INTEGER PRIMARY KEY NOT NULL,
    file_name VARCHAR(64)
);

CREATE TABLE corvelle_category (
    category_id INTEGER PRIMARY KEY,
    category_name VARCHAR(255),
    category_code VARCHAR(64),
    category_type VARCHAR(64),
    category_publish INTEGER,
    category_ordering INTEGER,
    category_parent_id INTEGER
);
CREATE INDEX corvelle_category_parent_index ON corvelle_category (category_parent_id);

CREATE TABLE corvelle_product_price (
    price_id integer PRIMARY KEY NOT NULL DEFAULT (0),
    product_id integer,
    vendor_group_id_list Varchar,
    vendor_state_id_list Varchar,
    vendor_id_list Varchar,
    customer_id_list Varchar,
    price double,
    currency Varchar,
    discount_price double,
    discount_identifier Varchar,
    discount_start_date Date DEFAULT (NULL),
    discount_end_date Date DEFAULT (NULL),
    discount_publish integer,
    tier_start_date Date DEFAULT (NULL),
    tier_end_date Date DEFAULT (NULL),
    tier_quantity_price Varchar DEFAULT (NULL),
    tier_publish integer,
    discount_rat double
);
CREATE INDEX corvelle_product_price_product_index ON corvelle_product_price (product_id);

CREATE TABLE corvelle_image (
    image_id INTEGER PRIMARY KEY,
    key_id INTEGER,
    key_type VARCHAR(32),
    image_thumb_address VARCHAR(255),
    image_full_address VARCHAR(255),
    image_isdault INTEGER,
    image_s_desc TEXT,
    image_l_desc TEXT,
    image_publis INTEGER,
    image_ordering INTEGER
);
CREATE INDEX corvelle_image_key_index ON corvelle_image (key_id);

CREATE TABLE corvelle_icon (
    id INTEGER PRIMARY KEY,
    title VARCHAR(64),
    name VARCHAR(255),
    width INTEGER,
    height INTEGER,
    description TEXT,
    category VARCHAR(64),
    publish INTEGER
);

-- One entry per product: a second add of the same product is refused.
CREATE TABLE corvelle_favorite (
    product_id INTEGER PRIMARY KEY,
    product_sku VARCHAR(64),
    product_name VARCHAR(255)
);

CREATE TABLE corvelle_compare (
    product_id INTEGER PRIMARY KEY,
    product_sku VARCHAR(64),
    product_name VARCHAR(255)
);

CREATE TABLE corvelle_customer (
    customer_id INTEGER PRIMARY KEY,
    customer_info_id VARCHAR(32),
    customer_name VARCHAR(255),
    customer_publish INTEGER,
    customer_ordering INTEGER,
    discount REAL,
    hidden INTEGER DEFAULT 0
);

CREATE TABLE corvelle_customer_attribute (
    attribute_id INTEGER PRIMARY KEY,
    customer_id INTEGER,
    attribute_fields_id INTEGER,
    attribute_value TEXT
);
CREATE INDEX corvelle_customer_attribute_customer_index ON corvelle_customer_attribute (customer_id);

CREATE TABLE corvelle_fields_customer_attribute (
    field_id INTEGER PRIMARY KEY,
    field_name VARCHAR(64),
    description TEXT,
    data_type VARCHAR(32),
    selection_list TEXT,
    display INTEGER,
    published INTEGER
);

CREATE TABLE corvelle_customer_address (
    id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL,
    customer_id INTEGER NOT NULL,
    address VARCHAR(64),
    city VARCHAR(64),
    state VARCHAR(64),
    zip_code VARCHAR(64),
    isDefault INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX corvelle_customer_address_customer_index ON corvelle_customer_address (customer_id);

CREATE TABLE corvelle_customer_contact (
    contact_id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL,
    customer_id INTEGER NOT NULL,
    first_name VARCHAR(64),
    last_name VARCHAR(64),
    job_title VARCHAR(64),
    work_phone VARCHAR(64),
    mobile_phone VARCHAR(64),
    email VARCHAR(64),
    im VARCHAR(64),
    note VARCHAR(64),
    isDefault INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX corvelle_customer_contact_customer_index ON corvelle_customer_contact (customer_id);

CREATE TABLE corvelle_library_category (
    id INTEGER PRIMARY KEY,
    name VARCHAR(255),
    ordering INTEGER,
    published INTEGER,
    parent_id integer DEFAULT 0
);

CREATE TABLE corvelle_library_files (
    id INTEGER PRIMARY KEY,
    title VARCHAR(255),
    file_name VARCHAR(255),
    category INTEGER,
    type VARCHAR(32),
    date VARCHAR(32),
    description TEXT,
    ordering INTEGER,
    published INTEGER,
    cover_image VARCHAR(255),
    info TEXT,
    isNew INTEGER DEFAULT 0
);
CREATE INDEX corvelle_library_files_name_index ON corvelle_library_files (file_name);

CREATE TABLE corvelle_update (
    fileId INTEGER PRIMARY KEY,
    old_file_name VARCHAR DEFAULT NULL,
    old_file_type VARCHAR DEFAULT NULL
);

-- order_id is the key INSERT OR REPLACE replaces on; it takes negative ids.
CREATE TABLE corvelle_quote_order (
    order_id INTEGER PRIMARY KEY,
    customer_id INTEGER,
    customer_info_id Varchar(32),
    customer_name Varchar(255),
    vendor_id INTEGER,
    order_number Varchar(64),
    order_total double,
    order_subtotal double,
    order_tax double,
    order_tax_details TEXT,
    order_shipping double,
    order_shipping_tax double,
    coupon_discount double,
    coupon_code Varchar(64),
    order_discount double,
    order_currency Varchar(16),
    order_status INTEGER,
    cdate Varchar(100),
    mdate Varchar(100),
    ship_method Varchar(64),
    customer_note TEXT,
    ip_address Varchar(64),
    uploaded INTEGER DEFAULT 0,
    discount_rat double,
    signature TEXT,
    address Varchar(255),
    city Varchar(32),
    state Varchar(32),
    zip_code Varchar(32),
    phone Varchar(32),
    bankAccount Varchar(32)
);
CREATE INDEX corvelle_quote_order_number_index ON corvelle_quote_order (order_number);

CREATE TABLE corvelle_quote_order_item (
    order_item_id integer PRIMARY KEY AUTOINCREMENT DEFAULT NULL,
    order_id integer DEFAULT NULL,
    customer_info_id Varchar(32) DEFAULT NULL,
    vendor_id integer DEFAULT NULL,
    product_id integer DEFAULT NULL,
    order_item_sku Varchar(64) DEFAULT NULL,
    order_item_name Varchar(64) DEFAULT NULL,
    product_quantity integer DEFAULT NULL,
    product_item_price double DEFAULT NULL,
    product_final_price double DEFAULT NULL,
    order_item_currency Varchar(16) DEFAULT NULL,
    order_item_subtotal double,
    order_status Varchar(1) DEFAULT NULL,
    cdate Varchar(100) DEFAULT NULL,
    mdate Varchar(100) DEFAULT NULL,
    product_attribute TEXT DEFAULT NULL,
    discount_rat double
);
CREATE INDEX corvelle_quote_order_item_order_index ON corvelle_quote_order_item (order_id);

CREATE VIEW 'customerView' AS select  t1.customer_id,
    (select attribute_value from corvelle_fields_customer_attribute t2,corvelle_customer_attribute t3 where t3.attribute_fields_id = t2.field_id and t1.customer_id = t3.customer_id and t2.field_name = 'Address') as address,
    (select attribute_value from corvelle_fields_customer_attribute t2,corvelle_customer_attribute t3 where t3.attribute_fields_id = t2.field_id and t1.customer_id = t3.customer_id and t2.field_name = 'City') as city,
    (select attribute_value from corvelle_fields_customer_attribute t2,corvelle_customer_attribute t3 where t3.attribute_fields_id = t2.field_id and t1.customer_id = t3.customer_id and t2.field_name = 'State/Province/Region') as state,
    (select attribute_value from corvelle_fields_customer_attribute t2,corvelle_customer_attribute t3 where t3.attribute_fields_id = t2.field_id and t1.customer_id = t3.customer_id and t2.field_name = 'Zip Code') as zip_code,
    (select attribute_value from corvelle_fields_customer_attribute t2,corvelle_customer_attribute t3 where t3.attribute_fields_id = t2.field_id and t1.customer_id = t3.customer_id and t2.field_name = 'Phone') as phone,
    (select attribute_value from corvelle_fields_customer_attribute t2,corvelle_customer_attribute t3 where t3.attribute_fields_id = t2.field_id and t1.customer_id = t3.customer_id and t2.field_name = 'Bank Account') as bankAccount
    from corvelle_customer t1;
