#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include "db/database.h"
#include "db/data_access.h"
#include "model/company_setup.h"
#include "model/rate_store.h"
#include "tolm/base_data.h"
using tolm::Variant;
static std::shared_ptr<hub::Database> Co() {
  static std::shared_ptr<hub::Database> db;
  if (!db) { std::string s = getenv("PG"); auto server = hub::OpenDatabase(s + " dbname=postgres", hub::OpenMode::Existing);
    server->Execute("DROP DATABASE IF EXISTS tolm_scratch WITH (FORCE)"); server->Execute("CREATE DATABASE tolm_scratch");
    db = hub::OpenDatabase(s + " dbname=tolm_scratch", hub::OpenMode::Existing); hub::InitCompany(*db, false);
    db->Execute("INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FLevels) VALUES (1000,'B','B',4,1)");
    db->Execute("CREATE TABLE t_BenchBaseline (FID INTEGER PRIMARY KEY, FValue DOUBLE PRECISION)"); }
  return db;
}
static int month = 0;
static void Steps(benchmark::State& s){ auto db=Co(); hub::DataAccess access(db); double t[8]={0}; int n=0;
 for (auto _: s){ int m = month++; tolm::DateTime b = tolm::MakeDate(3000 + m / 12, unsigned(m % 12 + 1), 1), e = tolm::MakeDate(3000 + m / 12, unsigned(m % 12 + 1), 28);
  std::string day = std::to_string(3000 + m / 12) + "-" + std::to_string(m % 12 + 1) + "-";
  auto c0=std::chrono::steady_clock::now();
  access.Query("select 1 from t_exchangerateEntry where FID<>0 and FCyTo=2 and FExchangeRateType=1000  and NOT (FBegDate>'" + day + "28' or FEndDate<'" + day + "1' )"); auto c1=std::chrono::steady_clock::now();
  access.Query("select FNumber,FName from t_ExchangeRate where FID=1000"); auto c2=std::chrono::steady_clock::now();
  db->Begin(); auto c3=std::chrono::steady_clock::now();
  auto id=hub::NewExchangeRateId(*db,false); auto c4=std::chrono::steady_clock::now();
  db->Execute("INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FRemark, FLevels, FParentID, FIsNativeRate) VALUES (?1, ?2, ?3, (SELECT FDigits FROM t_ExchangeRate WHERE FID = ?4 AND FLevels = 1), '', 2, ?4, 0)", {Variant(id), Variant(std::string("")), Variant(std::string("")), Variant(int64_t{1000})}); auto c5=std::chrono::steady_clock::now();
  db->Execute("INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, FReverseExRate, FBegDate, FEndDate, FNumber, FName, FChkUserID, FCheckDate) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)",
   {Variant(id), Variant(int64_t{2}), Variant(int64_t{1000}), Variant(7.1), Variant::Null(), Variant(b), Variant(e), Variant(std::string("")), Variant(std::string("")), Variant(int64_t{0}), Variant::Null()}); auto c6=std::chrono::steady_clock::now();
  db->Commit(); auto c7=std::chrono::steady_clock::now();
  auto c8=std::chrono::steady_clock::now(); db->Query("SELECT FExchangeRate FROM t_ExchangeRateEntry WHERE FID = ?1",{Variant(int64_t{1})}); auto c9=std::chrono::steady_clock::now();
  db->Execute("INSERT INTO t_BenchBaseline (FID, FValue) VALUES (?1, 7.1)", {Variant(int64_t{m})}); auto c10=std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point cs[9]={c0,c1,c2,c3,c4,c5,c6,c7,c8}; for(int i=0;i<7;++i) t[i]+=std::chrono::duration<double,std::micro>(cs[i+1]-cs[i]).count();
  t[7]+=std::chrono::duration<double,std::micro>(c9-c8).count(); t[6]+=0; static double ins=0; ins+=std::chrono::duration<double,std::micro>(c10-c9).count(); ++n; if (n==(int)s.max_iterations) std::fprintf(stderr,"baseline insert %.1f\n",ins/n);}
 const char* names[8]={"editor overlap","editor type","begin","newid","header","entry","commit","baseline point query"}; for(int i=0;i<8;++i) std::fprintf(stderr,"%s %.1f\n",names[i],t[i]/n);}
BENCHMARK(Steps)->Iterations(2000)->Unit(benchmark::kMicrosecond);
