"""Firefox for the page's tests, driven through its Marionette protocol with Python's standard
library alone: a headless Firefox ESR started on a profile of its own, whose downloads go to a
folder without asking and which asks nothing of any server but the test's own, and a driver with
the part of selenium's WebDriver that the tests use, so that the same test bodies run in
Chromium (through selenium) and in Firefox.

The protocol: after connecting, Firefox sends a greeting; each command is a JSON array
[0, id, name, parameters] and each answer [1, id, error, result], every message preceded by its
length in bytes and a colon."""

import base64
import json
import os
import shutil
import socket
import subprocess
import tempfile
import time

from selenium.common.exceptions import (JavascriptException, NoSuchElementException,
                                        TimeoutException, WebDriverException)

ELEMENT = 'element-6066-11e4-a52e-4f735466cecf'
FIREFOX = '/usr/bin/firefox-esr'

# Downloads without a question, and no request to any server but the tests' own: the updates,
# telemetry, safe browsing, remote settings and the like are off, and any other address goes to
# a proxy on this machine that answers nothing.
PREFERENCES = {
    'marionette.port': 0,
    'browser.download.folderList': 2,
    'browser.download.useDownloadDir': True,
    'browser.download.always_ask_before_handling_new_types': False,
    'browser.download.start_downloads_in_tmp_dir': False,
    'browser.download.alwaysOpenPanel': False,
    'browser.download.manager.showWhenStarting': False,
    'browser.helperApps.neverAsk.saveToDisk':
        'model/x-tessary-mdl,application/zip,application/octet-stream,text/plain',
    'app.normandy.enabled': False,
    'app.normandy.api_url': '',
    'app.update.disabledForTesting': True,
    'app.update.auto': False,
    'browser.safebrowsing.malware.enabled': False,
    'browser.safebrowsing.phishing.enabled': False,
    'browser.safebrowsing.downloads.enabled': False,
    'browser.safebrowsing.blockedURIs.enabled': False,
    'browser.safebrowsing.provider.mozilla.updateURL': '',
    'browser.search.update': False,
    'browser.region.update.enabled': False,
    'browser.region.network.url': '',
    'browser.newtabpage.enabled': False,
    'browser.startup.page': 0,
    'browser.startup.homepage_override.mstone': 'ignore',
    'browser.shell.checkDefaultBrowser': False,
    'datareporting.healthreport.uploadEnabled': False,
    'datareporting.policy.dataSubmissionEnabled': False,
    'toolkit.telemetry.enabled': False,
    'toolkit.telemetry.server': '',
    'extensions.update.enabled': False,
    'extensions.getAddons.cache.enabled': False,
    'extensions.systemAddon.update.enabled': False,
    'identity.fxaccounts.enabled': False,
    'network.captive-portal-service.enabled': False,
    'network.connectivity-service.enabled': False,
    'network.dns.disablePrefetch': True,
    'network.prefetch-next': False,
    'network.http.speculative-parallel-limit': 0,
    'network.trr.mode': 5,
    'security.OCSP.enabled': 0,
    'services.settings.server': 'data:,#remote-settings-dummy/v1',
    'media.gmp-manager.url': '',
    'geo.provider.network.url': '',
    'network.proxy.type': 1,
    'network.proxy.http': '127.0.0.1',
    'network.proxy.http_port': 9,
    'network.proxy.ssl': '127.0.0.1',
    'network.proxy.ssl_port': 9,
    'network.proxy.no_proxies_on': '127.0.0.1,localhost',
    'network.proxy.allow_hijacking_localhost': False,
}


class Element:
    """An element of the page, as selenium's WebElement offers it."""

    def __init__(self, driver, reference):
        self.driver = driver
        self.id = reference

    def __eq__(self, other):
        return isinstance(other, Element) and other.id == self.id

    def __hash__(self):
        return hash(self.id)

    def _on(self, name, **parameters):
        return self.driver.command(name, id=self.id, **parameters)

    @property
    def text(self):
        return self._on('WebDriver:GetElementText')['value']

    @property
    def rect(self):
        return self._on('WebDriver:GetElementRect')

    def click(self):
        self._on('WebDriver:ElementClick')

    def clear(self):
        self._on('WebDriver:ElementClear')

    def send_keys(self, *texts):
        self._on('WebDriver:ElementSendKeys', text=''.join(texts))

    def is_displayed(self):
        return self._on('WebDriver:IsElementDisplayed')['value']

    def get_attribute(self, name):
        """As selenium's: the property of that name where the element has one, else the
        attribute."""
        return self.driver.execute_script(
            'const [e, n] = arguments;'
            'if (["checked", "disabled", "selected"].includes(n)) return e[n] ? "true" : null;'
            'if (n in e && ["string", "number"].includes(typeof e[n])) return String(e[n]);'
            'return e.getAttribute(n);', self, name)

    def find_element(self, by, value):
        return self.driver.find_element(by, value, self)

    def find_elements(self, by, value):
        return self.driver.find_elements(by, value, self)


class SwitchTo:
    def __init__(self, driver):
        self.driver = driver

    @property
    def active_element(self):
        return self.driver.wrap(self.driver.command('WebDriver:GetActiveElement')['value'])


class Firefox:
    """A headless Firefox, its downloads in `downloads`, with a window of `width` by
    `height` pixels."""

    name = 'firefox'

    def __init__(self, downloads, width=1000, height=1300):
        self.profile = tempfile.mkdtemp(prefix='tessary-firefox-')
        preferences = dict(PREFERENCES, **{'browser.download.dir': downloads})
        with open(os.path.join(self.profile, 'user.js'), 'w') as file:
            for key, value in preferences.items():
                file.write('user_pref(%s, %s);\n' % (json.dumps(key), json.dumps(value)))
        environment = dict(os.environ, MOZ_HEADLESS='1', HOME=self.profile)
        self.process = subprocess.Popen(
            [FIREFOX, '--marionette', '--headless', '--no-remote', '-remote-allow-system-access',
             '--profile', self.profile],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=environment)
        self.next_id = 0
        self.switch_to = SwitchTo(self)
        try:
            self.socket = self._connect()
            self.command('WebDriver:NewSession', capabilities={'pageLoadStrategy': 'normal'})
            self.command('WebDriver:SetTimeouts', script=120000, pageLoad=60000, implicit=0)
            self.set_window_size(width, height)
        except BaseException:
            self.quit()
            raise

    # -- the protocol ----------------------------------------------------------------------

    def _connect(self, timeout=60):
        port_file = os.path.join(self.profile, 'MarionetteActivePort')
        deadline = time.monotonic() + timeout
        while True:
            if self.process.poll() is not None:
                raise WebDriverException('Firefox ended before it listened (%d)'
                                         % self.process.returncode)
            try:
                with open(port_file) as file:
                    port = int(file.read().strip())
                connection = socket.create_connection(('127.0.0.1', port), timeout=timeout)
                break
            except (OSError, ValueError):
                if time.monotonic() > deadline:
                    raise TimeoutException('Firefox did not listen for Marionette')
                time.sleep(0.1)
        connection.settimeout(None)
        self.reader = connection.makefile('rb')
        self._read()  # the greeting: {"applicationType": "gecko", "marionetteProtocol": 3}
        return connection

    def _read(self):
        length = b''
        while not length.endswith(b':'):
            byte = self.reader.read(1)
            if not byte:
                raise WebDriverException('Firefox closed the connection')
            length += byte
        return json.loads(self.reader.read(int(length[:-1])))

    def command(self, name, **parameters):
        """Sends the command `name` and answers its result, or raises the error Firefox
        gives."""
        self.next_id += 1
        data = json.dumps([0, self.next_id, name, parameters]).encode()
        self.socket.sendall(str(len(data)).encode() + b':' + data)
        while True:
            kind, message_id, error, result = self._read()
            if kind == 1 and message_id == self.next_id:
                break
        if error:
            message = '%s: %s' % (error.get('error'), error.get('message'))
            if error.get('error') == 'no such element':
                raise NoSuchElementException(message)
            if error.get('error') in ('javascript error', 'script timeout'):
                raise JavascriptException(message)
            raise WebDriverException(message)
        return result

    # -- values between Python and the page --------------------------------------------------

    def wrap(self, value):
        if isinstance(value, dict):
            if ELEMENT in value:
                return Element(self, value[ELEMENT])
            return {key: self.wrap(item) for key, item in value.items()}
        if isinstance(value, list):
            return [self.wrap(item) for item in value]
        return value

    def unwrap(self, value):
        if isinstance(value, Element):
            return {ELEMENT: value.id}
        if isinstance(value, (list, tuple)):
            return [self.unwrap(item) for item in value]
        if isinstance(value, dict):
            return {key: self.unwrap(item) for key, item in value.items()}
        return value

    # -- what the tests use of selenium's WebDriver -------------------------------------------

    def get(self, url):
        self.command('WebDriver:Navigate', url=url)

    def refresh(self):
        self.command('WebDriver:Refresh')

    @property
    def title(self):
        return self.command('WebDriver:GetTitle')['value']

    def execute_script(self, script, *args):
        return self.wrap(self.command('WebDriver:ExecuteScript', script=script,
                                      args=self.unwrap(list(args)))['value'])

    def execute_async_script(self, script, *args):
        return self.wrap(self.command('WebDriver:ExecuteAsyncScript', script=script,
                                      args=self.unwrap(list(args)))['value'])

    @staticmethod
    def _locator(by, value):
        if by == 'id':
            return 'css selector', '[id="%s"]' % value.replace('"', '\\"')
        return by, value

    def find_element(self, by, value, within=None):
        using, value = self._locator(by, value)
        parameters = {'using': using, 'value': value}
        if within is not None:
            parameters['element'] = within.id
        return self.wrap(self.command('WebDriver:FindElement', **parameters)['value'])

    def find_elements(self, by, value, within=None):
        using, value = self._locator(by, value)
        parameters = {'using': using, 'value': value}
        if within is not None:
            parameters['element'] = within.id
        return self.wrap(self.command('WebDriver:FindElements', **parameters))

    def set_window_size(self, width, height):
        self.command('WebDriver:SetWindowRect', width=width, height=height)

    def press(self, *keys):
        """Presses and releases each key (selenium's Keys values) on whatever has the focus."""
        actions = []
        for key in keys:
            actions += [{'type': 'keyDown', 'value': key}, {'type': 'keyUp', 'value': key}]
        self.command('WebDriver:PerformActions',
                     actions=[{'type': 'key', 'id': 'keyboard', 'actions': actions}])
        self.command('WebDriver:ReleaseActions')

    def zoom(self, factor):
        """Zooms the page as Ctrl+ does."""
        self.command('Marionette:SetContext', value='chrome')
        try:
            self.command('WebDriver:ExecuteScript', args=[factor],
                         script='FullZoom.setZoom(arguments[0], gBrowser.selectedBrowser);')
        finally:
            self.command('Marionette:SetContext', value='content')

    def save_screenshot(self, path):
        data = self.command('WebDriver:TakeScreenshot', full=False)['value']
        with open(path, 'wb') as file:
            file.write(base64.b64decode(data))

    def get_log(self, kind):
        return []  # Marionette keeps no console log

    def quit(self):
        try:
            if getattr(self, 'socket', None):
                self.command('Marionette:Quit')
                self.socket.close()
            self.process.wait(30)
        except (OSError, WebDriverException, subprocess.TimeoutExpired):
            self.process.kill()
            self.process.wait()
        finally:
            shutil.rmtree(self.profile, ignore_errors=True)
