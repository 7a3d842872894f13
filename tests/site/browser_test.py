#!/usr/bin/python3
"""The notes site's pages in a real browser: headless Chromium, driven by Selenium, makes an
account on account.asp, sees on onlinetools.asp the notes pushed through the transfer page,
deletes one and writes one in a phone-sized window. With --screenshot FILE it saves the notes page as a phone shows it."""
import http.cookiejar
import os
import re
import socket
import sqlite3
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.common.exceptions import (NoSuchElementException, StaleElementReferenceException,
                                        WebDriverException)
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

site_program = sys.argv[1]
screenshot = sys.argv[sys.argv.index("--screenshot") + 1] if "--screenshot" in sys.argv else None
failures = []


def check(what, ok):
    print(("ok: " if ok else "FAIL: ") + what)
    if not ok:
        failures.append(what)


def page_text_when(browser, ready):
    """The body's text once ready(text) holds or 15 s pass; a click returns before the next
    page has loaded, so the old body can go stale under the read, or the new one not be there yet."""
    deadline = time.time() + 15
    while True:
        try:
            text = browser.find_element(By.TAG_NAME, "body").text
            if ready(text) or time.time() > deadline:
                return text
        except (NoSuchElementException, StaleElementReferenceException, WebDriverException):
            pass  # Chromium may also call a body just left "not in the document"
        time.sleep(0.1)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def push(base, email, password, notes):
    """Uploads notes through the transfer page's form, as the desktop program's push does."""
    opener = urllib.request.build_opener(
        urllib.request.HTTPCookieProcessor(http.cookiejar.CookieJar()))
    page = opener.open(base + "noteimport.aspx?overwrite=0&12/9/2026").read().decode()
    for name, text in notes:
        state = re.search(r'name="PageState" value="([^"]*)"', page).group(1)
        body = urllib.parse.urlencode({"PageState": state, "TextBox1": email,
                                       "TextBox2": password, "TextBox4": name,
                                       "TextBox5": text, "Button1": "Upload"}).encode()
        page = opener.open(base + "noteimport.aspx", body).read().decode()


with tempfile.TemporaryDirectory() as work:
    port = free_port()
    base = f"http://127.0.0.1:{port}/"
    site = subprocess.Popen([site_program, "--listen", f"127.0.0.1:{port}", "--database",
                             f"sqlite:{work}/site.db", "--open-signup", "--name", "Family notes"],
                            stderr=subprocess.PIPE)
    try:
        for _ in range(100):
            try:
                socket.create_connection(("127.0.0.1", port)).close()
                break
            except OSError:
                time.sleep(0.1)
        options = webdriver.ChromeOptions()
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                         "--window-size=430,1000", f"--user-data-dir={work}/chromium"):
            options.add_argument(argument)
        browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        try:
            email, password = "ann@example.org", "correct horse battery"
            browser.get(base + "account.asp")
            browser.find_element(By.ID, "new-email").send_keys(email)
            browser.find_element(By.ID, "new-password").send_keys(password)
            browser.find_element(By.ID, "again").send_keys(password)
            def submit_and_wait(name):
                # The click returns before the next page loads, and sign-up hashes first.
                old = browser.find_element(By.TAG_NAME, "html")
                browser.find_element(By.NAME, name).click()

                # Chromium reports a node of the page just left either as stale or, now and
                # then, as one that "does not belong to the document": both mean it is gone.
                def gone(_):
                    try:
                        old.is_enabled()
                        return False
                    except WebDriverException:
                        return True
                WebDriverWait(browser, 15).until(gone)

            submit_and_wait("signup")
            made = "If that address had no account, it has one now"
            text = page_text_when(browser, lambda t: made in t)
            check("sign-up says the account may be made", made in text)
            # The same words for an address that has an account: sign-up tells no one which do.
            browser.find_element(By.ID, "new-email").send_keys(email)
            browser.find_element(By.ID, "new-password").send_keys("another long password")
            browser.find_element(By.ID, "again").send_keys("another long password")
            submit_and_wait("signup")
            text = page_text_when(browser, lambda t: made in t)
            check("sign-up answers the same for a taken address", made in text)
            browser.find_element(By.ID, "email").send_keys(email)
            browser.find_element(By.ID, "password").send_keys(password)
            browser.find_element(By.NAME, "signin").click()
            deadline = time.time() + 15
            while not browser.current_url.endswith("onlinetools.asp") and time.time() < deadline:
                time.sleep(0.1)
            check("signing in leads to the notes page", browser.current_url.endswith("onlinetools.asp"))

            push(base, email, password, [
                ("Shopping.pv", "Milk, eggs & bread\r\n<not a tag>\r\n"),
                ("Grüße.pv", "Schöne Grüße – καλημέρα\r\n"),
                ("Old.pv", "to be deleted\r\n")])
            browser.refresh()
            text = browser.find_element(By.TAG_NAME, "body").text
            check("the pushed notes show", all(n in text for n in ("Shopping.pv", "Grüße.pv", "Old.pv")))
            check("markup in a note shows as text", "<not a tag>" in text)

            for section in browser.find_elements(By.CSS_SELECTOR, "section.note"):
                if section.find_element(By.TAG_NAME, "h2").text == "Old.pv":
                    section.find_element(By.NAME, "delete").click()
                    break
            text = page_text_when(browser, lambda t: "2 notes." in t)
            check("the deleted note is gone and kept among deleted notes",
                  "2 notes." in text and "Deleted notes" in text)
            if screenshot:
                browser.set_window_size(430, browser.execute_script(
                    "return document.body.scrollHeight") + 120)
                browser.save_screenshot(screenshot)

            # A note written on a phone: the form fits 360 pixels, and the text is stored as
            # the desktop writes it, with CRLF line ends.
            browser.set_window_size(360, 740)
            browser.find_element(By.LINK_TEXT, "Write a new note").click()
            browser.find_element(By.ID, "name").send_keys("Phone")
            browser.find_element(By.ID, "text").send_keys("line one\nline <two>")
            check("the form fits a phone's width",
                  browser.execute_script("return document.documentElement.scrollWidth") <= 360)
            if screenshot:
                browser.save_screenshot(screenshot.replace(".png", "-phone.png"))
            browser.find_element(By.ID, "save").click()
            text = page_text_when(browser, lambda t: 'Saved "Phone.pv".' in t)
            stored = sqlite3.connect(f"{work}/site.db").execute(
                "SELECT text FROM notes WHERE name = 'Phone.pv'").fetchone()
            check("a note written on a phone is stored with CRLF line ends",
                  'Saved "Phone.pv".' in text and stored == ("line one\r\nline <two>",))
            browser.get(base + "onlinetools.asp")

            browser.find_element(By.NAME, "signout").click()
            # The click returns before the next page has loaded.
            deadline = time.time() + 15
            while not browser.current_url.endswith("account.asp") and time.time() < deadline:
                time.sleep(0.1)
            check("signing out leads back to the sign-in page", browser.current_url.endswith("account.asp"))
            browser.get(base + "onlinetools.asp")
            check("signed out, the notes page is closed", browser.current_url.endswith("account.asp"))
        finally:
            browser.quit()
    finally:
        site.terminate()
        site.wait(20)

print(f"{'FAILED' if failures else 'passed'}")
sys.exit(1 if failures else 0)
